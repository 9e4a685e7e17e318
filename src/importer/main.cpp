// tanzel-import: Japan Post's archives to the per-prefecture data files (see Importer.h).

#include <cstdio>

#include "core/import/Importer.h"

int main(int argc, char* argv[]) {
  return tanzel::ImportCommand(argc, argv, stdout, stderr);
}
