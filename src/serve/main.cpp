// tanzel-serve: the look-ups as a local web service (see ServeCommand.h).

#include <csignal>
#include <cstdio>

#include "serve/ServeCommand.h"

int main(int argc, char* argv[]) {
  // Blocked before any thread starts, so that every thread inherits the mask and only the
  // command's sigwait receives them.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  return tanzel::ServeCommand(argc, argv, stop, stdout, stderr);
}
