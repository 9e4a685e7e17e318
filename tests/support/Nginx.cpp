#include "support/Nginx.h"

#include <QThread>

#include <fstream>
#include <sstream>

#include "support/HttpClient.h"
#include "support/HttpServer.h"

std::string NginxProxy::Program() {
  for (const char* path : {"/usr/sbin/nginx", "/usr/bin/nginx", "/usr/local/sbin/nginx"})
    if (QFile::exists(QString::fromLatin1(path))) return path;
  return {};
}

bool NginxProxy::Start(const std::vector<int>& ports) {
  const std::string program = Program();
  if (program.empty() || !dir_.isValid()) return false;
  const std::string prefix = dir_.path().toStdString();
  port_ = ClosedPort();
  std::ostringstream servers;
  for (int port : ports) servers << "    server 127.0.0.1:" << port << ";\n";
  std::ofstream conf(prefix + "/nginx.conf");
  conf << "worker_processes 1;\n"
       << "error_log " << prefix << "/error.log;\n"
       << "pid " << prefix << "/nginx.pid;\n"
       << "events { worker_connections 1024; }\n"
       << "http {\n"
       << "  access_log off;\n"
       << "  client_body_temp_path " << prefix << "/body;\n"
       << "  proxy_temp_path " << prefix << "/proxy;\n"
       << "  fastcgi_temp_path " << prefix << "/fastcgi;\n"
       << "  uwsgi_temp_path " << prefix << "/uwsgi;\n"
       << "  scgi_temp_path " << prefix << "/scgi;\n"
       << "  upstream tanzel {\n"
       << servers.str() << "    keepalive 64;\n  }\n"
       << "  server {\n"
       << "    listen 127.0.0.1:" << port_ << ";\n"
       << "    location / {\n"
       << "      proxy_pass http://tanzel;\n"
       << "      proxy_http_version 1.1;\n"
       << "      proxy_set_header Connection \"\";\n"
       << "    }\n  }\n}\n";
  conf.close();
  process_.start(QString::fromStdString(program),
                 {QStringLiteral("-p"), dir_.path(), QStringLiteral("-c"), dir_.path() + QStringLiteral("/nginx.conf"),
                  QStringLiteral("-g"), QStringLiteral("daemon off;")});
  if (!process_.waitForStarted()) return false;
  for (int i = 0; i < 100; ++i) {
    if (HttpGet(port_, "/healthz").status == 200) return true;
    if (process_.state() != QProcess::Running) return false;
    QThread::msleep(50);
  }
  return false;
}

void NginxProxy::Stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(5000)) {
    process_.kill();
    process_.waitForFinished();
  }
}

std::string NginxProxy::ErrorLog() const {
  std::ifstream in(dir_.path().toStdString() + "/error.log");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}
