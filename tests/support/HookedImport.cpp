// tanzel-import as the tests run it when they reach into its commit from outside: with
// TANZEL_IMPORT_STOP_AT=N in its environment it stops itself (SIGSTOP) at step N of putting
// the new edition in use, so that the test can kill or signal it there; with
// TANZEL_IMPORT_FAIL_AT=N that step fails. Built for the tests only; the shipped program has
// no such switch.
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "importer/UpdateCommand.h"

int main(int argc, char* argv[]) {
  const char* stop = std::getenv("TANZEL_IMPORT_STOP_AT");
  const char* fail = std::getenv("TANZEL_IMPORT_FAIL_AT");
  int stopAt = stop != nullptr ? std::atoi(stop) : 0;
  int failAt = fail != nullptr ? std::atoi(fail) : 0;
  auto atStep = [stopAt, failAt](int step) {
    if (step == stopAt) std::raise(SIGSTOP);
    return step != failAt;
  };
  return tanzel::ImporterCommand(argc, argv, stdout, stderr, atStep);
}
