#pragma once

// tanzel-serve: the look-ups as a local web service (see Service.h for its endpoints).
//
//   tanzel-serve [--data DIR] [--listen 127.0.0.1:8080] [--threads N] [--allow-origin ORIGIN]...
//
// Started by systemd with a listening socket (LISTEN_FDS), it serves on that socket.

#include <csignal>
#include <cstdio>

namespace tanzel {

// Runs the command line `argv` until SIGINT or SIGTERM (which the caller has blocked in
// every thread, so that this function receives them). Prints "listening on HOST:PORT" on
// `out` once it serves. Returns the exit status: 0 stopped, 2 wrong command line, 3 the
// data cannot be read, 4 it cannot listen.
int ServeCommand(int argc, const char* const argv[], const sigset_t& stopSignals, std::FILE* out, std::FILE* err);

}  // namespace tanzel
