// The resident memory of the program at rest: starts tanzel on the offscreen platform,
// waits, reads its resident set from /proc, and ends it. Several runs, median.
//
//   bench-rest [RUNS] [SECONDS]

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/Process.h"

namespace {

// VmRSS of a process in kilobytes, or -1.
long ResidentKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      long kb = -1;
      status >> kb;
      return kb;
    }
    status.ignore(1 << 20, '\n');
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  int seconds = argc > 2 ? std::atoi(argv[2]) : 3;
  if (runs < 1) runs = 1;
  std::string program = bench::OwnFolder() + "tanzel";
  std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "LANG=C.UTF-8", "PATH=/usr/bin:/bin"};
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<double> rss;
  for (int i = 0; i < runs; ++i) {
    char* args[] = {program.data(), nullptr};
    posix_spawn_file_actions_t quiet;  // Qt's notes about the environment are not the figure
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int rc = posix_spawn(&pid, program.c_str(), &quiet, nullptr, args, envp.data());
    posix_spawn_file_actions_destroy(&quiet);
    if (rc != 0) {
      std::fprintf(stderr, "bench-rest: cannot start %s\n", program.c_str());
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    long kb = ResidentKilobytes(pid);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    if (kb < 0) {
      std::fprintf(stderr, "bench-rest: the program ended before it was measured\n");
      return 1;
    }
    rss.push_back(static_cast<double>(kb) / 1024.0);
    std::printf("run %d: %.1f MiB resident after %d s\n", i + 1, rss.back(), seconds);
  }
  double median = bench::Median(rss);
  std::printf("tanzel at rest: median %.1f MiB over %d runs (target: under 45 MiB)\n", median, runs);
  return median < 45.0 ? 0 : 1;
}
