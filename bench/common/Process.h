#pragma once

// Benchmark helpers: run a program as a child process and measure it from the outside,
// the way a user's shell sees it.

#include <string>
#include <vector>

namespace bench {

struct ProcessRun {
  double milliseconds = -1;  // wall time from spawn to exit; -1 when it could not run
  long peakKilobytes = 0;    // the child's peak resident set (ru_maxrss)
  int status = -1;           // exit status
};

// Runs argv[0] (looked up on PATH when it holds no '/') with `env` as its whole
// environment, standard output to /dev/null, and waits for it.
ProcessRun RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env);

double Median(std::vector<double> values);

// The folder of the running benchmark, with its trailing '/'.
std::string OwnFolder();

// The data folder a benchmark reads, with its trailing '/': argv[1], else $TANZEL_TEST_DATA,
// else the benchmark's own folder.
std::string DataFolderArgument(int argc, char** argv);

// The number of runs: argv[2] when given (at least 1), else `otherwise`.
int RunsArgument(int argc, char** argv, int otherwise);

}  // namespace bench
