// tanzel-import: Japan Post's archives to the per-prefecture data files (see Importer.h).

#include <cstdio>

#include "core/update/UpdateCommand.h"

int main(int argc, char* argv[]) {
  return tanzel::ImporterCommand(argc, argv, stdout, stderr);
}
