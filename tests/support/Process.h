#pragma once

// Test helpers: runs a program to its end and collects what it printed; runs a program
// and kills it at a chosen moment.

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

struct ProcessResult {
  int exit;     // the exit status; -1 when the program crashed or did not end within a minute
  QString out;  // standard output, UTF-8
  QString err;  // standard error, UTF-8
};

// Runs `program` with `args`; `env` holds "NAME=value" pairs added to this process's
// environment; `childSetup` (may be empty) runs in the child just before the program starts.
ProcessResult RunProcess(const QString& program, const QStringList& args, const QStringList& env = {},
                         const std::function<void()>& childSetup = {});

// RunProcess with the file at `inputPath` as the program's standard input.
ProcessResult RunProcessWithInput(const QString& program, const QStringList& args, const std::string& inputPath);

// Runs `argv` (argv[0] the program's path) with this process's environment plus `env`
// ("NAME=VALUE" each), its output thrown away. With `killAfterUs` >= 0 it is killed
// (SIGKILL) after that many microseconds unless it has ended by then; a program that stops
// itself (SIGSTOP, as tanzel-import-hooked does at the step TANZEL_IMPORT_STOP_AT names) is killed
// where it stopped. Returns 'x' when it exited with 0, 'f' when it exited otherwise or did
// not start, 's' when it stopped itself and was killed, 'k' when the delay killed it.
char RunAndKill(const std::vector<std::string>& argv, const std::vector<std::string>& env = {}, long killAfterUs = -1);

// Runs `argv` as RunAndKill does, for a program that stops itself: calls `whileStopped` (may
// be empty) once it has stopped, then sends it `signal`, lets it go on (SIGCONT) and waits
// for its end. Returns its exit status; -1 when it ended without stopping or died of a
// signal. Its standard error goes into the file `errFile` (empty: thrown away).
int RunSignalledAtStop(const std::vector<std::string>& argv, const std::vector<std::string>& env, int signal,
                       const std::string& errFile, const std::function<void()>& whileStopped = {});
