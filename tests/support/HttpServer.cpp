#include "support/HttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>

#include <cstdio>
#include <cstring>

namespace {

int BoundSocket(int& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t size = sizeof addr;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
    ::close(fd);
    return -1;
  }
  port = ntohs(addr.sin_port);
  return fd;
}

bool SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 302:
      return "Found";
    case 404:
      return "Not Found";
    default:
      return "Error";
  }
}

}  // namespace

std::string Gzip(const std::string& bytes) {
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);  // 16: gzip
  std::string out(deflateBound(&z, bytes.size()) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

int ClosedPort() {
  int port = 0;
  int fd = BoundSocket(port);
  if (fd >= 0) ::close(fd);
  return port;
}

bool HttpServer::Start() {
  listen_ = BoundSocket(port_);
  if (listen_ < 0 || ::listen(listen_, 8) != 0 || ::pipe2(wake_, O_CLOEXEC) != 0) return false;
  thread_ = std::thread([this] { Loop(); });
  return true;
}

void HttpServer::Stop() {
  if (!thread_.joinable()) return;
  char c = 'x';
  (void)!::write(wake_[1], &c, 1);
  thread_.join();
  for (int fd : {listen_, wake_[0], wake_[1]}) ::close(fd);
  listen_ = wake_[0] = wake_[1] = -1;
}

void HttpServer::Serve(const std::string& path, Reply reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_[path] = std::move(reply);
}

int HttpServer::Requests(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = requests_.find(path);
  return it == requests_.end() ? 0 : it->second;
}

void HttpServer::Loop() {
  for (;;) {
    pollfd fds[2] = {{listen_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents != 0) return;
    int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    Answer(fd);
    ::close(fd);
  }
}

void HttpServer::Answer(int fd) {
  // The request head, up to its empty line.
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 2, 5000) <= 0 || fds[1].revents != 0) return;
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    head.append(buffer, static_cast<std::size_t>(n));
  }
  std::size_t start = head.find(' ') + 1;
  std::string path = head.substr(start, head.find(' ', start) - start);
  Reply reply;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++requests_[path];
    auto it = replies_.find(path);
    if (it != replies_.end())
      reply = it->second;
    else
      reply = {404, "not found", Mode::Whole, 0, {}};
  }
  if (reply.gzip) reply.body = Gzip(reply.body);
  std::string header = "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n" +
                       (reply.mode == Mode::Endless ? std::string("Transfer-Encoding: chunked")
                                                    : "Content-Length: " + std::to_string(reply.body.size())) +
                       "\r\nConnection: close\r\n";
  if (!reply.location.empty()) header += "Location: " + reply.location + "\r\n";
  if (reply.gzip) header += "Content-Encoding: gzip\r\n";
  header += "\r\n";
  if (reply.mode == Mode::Endless) {
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", reply.body.size());
    std::string chunk = size + reply.body + "\r\n";
    if (!SendAll(fd, header.data(), header.size())) return;
    for (;;) {
      pollfd wake{wake_[0], POLLIN, 0};
      if (::poll(&wake, 1, 0) != 0 || !SendAll(fd, chunk.data(), chunk.size())) return;
      bodyBytes_ += static_cast<long long>(reply.body.size());
    }
  }
  std::size_t send = reply.mode == Mode::Whole ? reply.body.size() : std::min(reply.sendBytes, reply.body.size());
  if (!SendAll(fd, header.data(), header.size()) || !SendAll(fd, reply.body.data(), send)) return;
  bodyBytes_ += static_cast<long long>(send);
  if (reply.mode != Mode::Stall) return;
  // Wait until the client goes away (its end of the connection reads as closed) or Stop.
  for (;;) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents != 0) return;
    if (::recv(fd, buffer, sizeof buffer, 0) <= 0) return;
  }
}
