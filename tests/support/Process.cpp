#include "support/Process.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

extern char** environ;

ProcessResult RunProcess(const QString& program, const QStringList& args, const QStringList& env,
                         const std::function<void()>& childSetup) {
  QProcess p;
  if (!env.isEmpty()) {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : env) e.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    p.setProcessEnvironment(e);
  }
  if (childSetup) p.setChildProcessModifier(childSetup);
  p.start(program, args);
  p.waitForFinished(60000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

ProcessResult RunProcessWithInput(const QString& program, const QStringList& args, const std::string& inputPath) {
  return RunProcess(program, args, {}, [inputPath] {
    int fd = ::open(inputPath.c_str(), O_RDONLY);
    if (fd >= 0) ::dup2(fd, 0);
  });
}

namespace {

// Starts `argv` with this process's environment plus `env`; its standard output goes to
// /dev/null, its standard error to `errFile` (/dev/null when empty). -1 when it cannot start.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& errFile) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  std::vector<char*> vars;
  for (char** v = environ; *v; ++v) vars.push_back(*v);
  for (const std::string& var : env) vars.push_back(const_cast<char*>(var.c_str()));
  vars.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.empty() ? "/dev/null" : errFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), vars.data());
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

}  // namespace

int RunSignalledAtStop(const std::vector<std::string>& argv, const std::vector<std::string>& env, int signal,
                       const std::string& errFile, const std::function<void()>& whileStopped) {
  pid_t pid = Spawn(argv, env, errFile);
  if (pid < 0) return -1;
  int status = 0;
  waitpid(pid, &status, WUNTRACED);
  if (WIFSTOPPED(status)) {
    if (whileStopped) whileStopped();
    kill(pid, signal);
    kill(pid, SIGCONT);
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  return -1;
}

char RunAndKill(const std::vector<std::string>& argv, const std::vector<std::string>& env, long killAfterUs) {
  pid_t pid = Spawn(argv, env, {});
  if (pid < 0) return 'f';
  auto exited = [](int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 'x' : 'f'; };
  int status = 0;
  if (killAfterUs >= 0) {
    std::this_thread::sleep_for(std::chrono::microseconds(killAfterUs));
    if (waitpid(pid, &status, WNOHANG) == pid) return exited(status);
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? 'k' : exited(status);
  }
  waitpid(pid, &status, WUNTRACED);
  if (!WIFSTOPPED(status)) return exited(status);
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return 's';
}
