// tanzel-search: the keyword search from the command line (see SearchCommand.h).

#include <cstdio>

#include "cli/SearchCommand.h"

int main(int argc, char* argv[]) {
  return tanzel::SearchCommand(argc, argv, stdin, stdout, stderr);
}
