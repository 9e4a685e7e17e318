// tanzel-import: Japan Post's archives to the per-prefecture data files (see ImportCommand.h).

#include <cstdio>

#include "importer/UpdateCommand.h"

int main(int argc, char* argv[]) {
  return tanzel::ImporterCommand(argc, argv, stdout, stderr);
}
