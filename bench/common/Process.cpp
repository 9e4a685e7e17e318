#include "common/Process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>

namespace bench {

ProcessRun RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  std::vector<std::string> envs = env;
  std::vector<char*> envp;
  for (std::string& e : envs) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  ProcessRun run;
  auto start = std::chrono::steady_clock::now();
  pid_t pid;
  int rc = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return run;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  run.peakKilobytes = usage.ru_maxrss;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::string OwnFolder() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./";
  std::string folder(path, static_cast<std::size_t>(n));
  return folder.substr(0, folder.rfind('/') + 1);
}

std::string DataFolderArgument(int argc, char** argv) {
  std::string folder;
  if (argc > 1) {
    folder = argv[1];
  } else if (const char* env = std::getenv("TANZEL_TEST_DATA")) {
    folder = env;
  } else {
    folder = OwnFolder();
  }
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

int RunsArgument(int argc, char** argv, int otherwise) {
  return argc > 2 ? std::max(1, std::atoi(argv[2])) : otherwise;
}

}  // namespace bench
