#include "support/Process.h"

#include <QProcess>
#include <QProcessEnvironment>

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
