// tanzel-import: Japan Post's archives to the per-prefecture data files.

#include <cstdio>

#include "importer/Importer.h"

int main(int argc, char* argv[]) {
  return ImportCommand(argc, argv, stdout, stderr);
}
