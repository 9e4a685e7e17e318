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

char RunAndKill(const std::vector<std::string>& argv, const std::vector<std::string>& env, long killAfterUs) {
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
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), vars.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return 'f';
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
