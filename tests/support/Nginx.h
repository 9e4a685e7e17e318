#pragma once

// Test helper: nginx as the README sets it before several tanzel-serve instances, on
// 127.0.0.1 at a free port, with a configuration and logs of its own in a temporary folder.

#include <QProcess>
#include <QTemporaryDir>

#include <string>
#include <vector>

class NginxProxy {
 public:
  NginxProxy() = default;
  ~NginxProxy() { Stop(); }
  NginxProxy(const NginxProxy&) = delete;
  NginxProxy& operator=(const NginxProxy&) = delete;

  // The nginx program, or empty when it is not installed.
  static std::string Program();

  // Starts nginx with an upstream of `ports` (each a server on 127.0.0.1) that /v1/ and the
  // health paths go to: keepalive connections to the upstream, HTTP/1.1 without a Connection
  // header, as in the README. False when nginx cannot start or does not answer.
  bool Start(const std::vector<int>& ports);
  void Stop();
  int port() const { return port_; }
  // The error log so far (for a failure's message).
  std::string ErrorLog() const;

 private:
  QTemporaryDir dir_;
  QProcess process_;
  int port_ = 0;
};
