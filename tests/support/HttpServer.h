#pragma once

// Test helper: a small HTTP/1.1 server on 127.0.0.1, on a free port, for the update tests.
// The test starts it, says what each path answers, and stops it (the destructor does).
// One thread serves one connection at a time, one request per connection.

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

class HttpServer {
 public:
  enum class Mode {
    Whole,     // the whole body
    CutShort,  // Content-Length of the whole body, then only `sendBytes` of it and the end
    Stall,     // Content-Length of the whole body, `sendBytes` of it, then nothing until the
               // client goes away or the server stops
    Endless,   // chunked, without a length: the body again and again until the client goes
               // away or the server stops
  };
  struct Reply {
    int status = 200;
    std::string body{};
    Mode mode = Mode::Whole;
    std::size_t sendBytes = 0;
    std::string location{};  // a Location header (for redirects)
    bool gzip = false;       // the body sent gzip-compressed, with Content-Encoding: gzip
  };

  HttpServer() = default;
  ~HttpServer() { Stop(); }
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Listens on 127.0.0.1 at a free port; false when it cannot.
  bool Start();
  void Stop();
  // "http://127.0.0.1:PORT"
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

  // What GET `path` answers from now on (unknown paths answer 404).
  void Serve(const std::string& path, Reply reply);
  // Requests for `path` so far.
  int Requests(const std::string& path) const;
  // Body bytes sent so far, over all requests.
  long long BodyBytesSent() const { return bodyBytes_.load(); }

 private:
  void Loop();
  void Answer(int fd);

  int listen_ = -1;
  int wake_[2] = {-1, -1};
  int port_ = 0;
  std::atomic<long long> bodyBytes_{0};
  mutable std::mutex mutex_;
  std::map<std::string, Reply> replies_;  // guarded by mutex_
  std::map<std::string, int> requests_;   // guarded by mutex_
  std::thread thread_;
};

// `bytes` compressed in the gzip format.
std::string Gzip(const std::string& bytes);

// A port on 127.0.0.1 where nothing listens (found free a moment ago).
int ClosedPort();
