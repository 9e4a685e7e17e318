#include "support/HttpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>

std::string HttpRequest(std::string_view method, std::string_view target, std::string_view headers,
                        std::string_view body) {
  std::string text = std::string(method) + " " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  text += "Connection: close\r\n";
  text += headers;
  if (!body.empty()) text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  text += "\r\n";
  text += body;
  return text;
}

HttpReply HttpSend(int port, std::string_view bytes) {
  HttpReply reply;
  int fd = HttpConnect(port);
  if (fd < 0) return reply;
  timeval timeout{30, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  std::string in;
  for (std::size_t sent = 0; sent < bytes.size();) {
    ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  char buffer[65536];
  ssize_t n;
  while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) in.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  std::size_t end = in.find("\r\n\r\n");
  if (in.compare(0, 9, "HTTP/1.1 ") != 0 || end == std::string::npos) return reply;
  reply.status = std::atoi(in.c_str() + 9);
  for (std::size_t line = in.find("\r\n") + 2; line < end;) {
    std::size_t next = in.find("\r\n", line);
    std::string header = in.substr(line, next - line);
    std::size_t colon = header.find(':');
    if (colon != std::string::npos) {
      std::string name = header.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      std::size_t value = header.find_first_not_of(' ', colon + 1);
      reply.headers[name] = value == std::string::npos ? std::string() : header.substr(value);
    }
    line = next + 2;
  }
  reply.body = in.substr(end + 4);
  return reply;
}

HttpReply HttpGet(int port, std::string_view target) {
  return HttpSend(port, HttpRequest("GET", target));
}

int HttpConnect(int port, const char* from) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  if (from != nullptr) {
    ::inet_pton(AF_INET, from, &address.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd);
      return -1;
    }
  }
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void RaiseOpenFileLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
}
