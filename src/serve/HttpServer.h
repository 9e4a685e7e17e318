#pragma once

// The HTTP transport of the service, on libmicrohttpd: a pool of threads, one per core,
// each polling its connections with epoll. Everything past the bytes is the Service's.
//
// Limits: request line and headers share kConnectionMemory per connection (a longer one
// is refused by the library with 414 or 431); a body is kept up to kMaxBody (beyond it, and
// for a Content-Length beyond it before it is read, the request is handed on marked
// bodyTooLarge and the Service answers 413); kMaxConnections at once,
// kMaxConnectionsPerAddress from one address; a connection idle (nothing received or
// sent) for kIdleSeconds is closed, and so is one that has not delivered a whole request
// kRequestSeconds after it opened (or after its last answer), however it paces its bytes.
// A quarter of the connections is kept for new clients: past three quarters of the limit,
// each new connection closes the one that has waited longest for its request, so that a
// crowd of slow or silent clients cannot keep a new one out.

#include <memory>
#include <string>

#include "serve/Service.h"

namespace tanzel {

inline constexpr std::size_t kConnectionMemory = 32 * 1024;
inline constexpr unsigned kMaxConnections = 1024;
inline constexpr unsigned kMaxConnectionsPerAddress = 256;
inline constexpr unsigned kIdleSeconds = 10;
inline constexpr unsigned kRequestSeconds = 10;

struct ListenOptions {
  std::string host = "127.0.0.1";  // a numeric IPv4 or IPv6 address
  int port = 8080;                 // 0: any free port
  int socket = -1;                 // a listening socket handed over (systemd), or -1
  unsigned threads = 0;            // 0: one per core
  unsigned idleSeconds = kIdleSeconds;
  unsigned requestSeconds = kRequestSeconds;  // from a connection's start to a whole request
};

class HttpServer {
 public:
  explicit HttpServer(Service& service);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Starts serving; false, with `error`, when it cannot listen.
  bool Start(const ListenOptions& options, std::string& error);
  // The port it listens on (after Start).
  int Port() const;
  // Stops serving: no new connection; those open are closed.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Parses "HOST:PORT" ("[V6]:PORT" for IPv6) into `options`; false when it is not one.
bool ParseListen(const std::string& text, ListenOptions& options);

}  // namespace tanzel
