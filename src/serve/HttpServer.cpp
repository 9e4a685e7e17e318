#include "serve/HttpServer.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>

#include <sys/socket.h>

#include <strings.h>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace tanzel {

namespace {

constexpr int64_t kAnswering = std::numeric_limits<int64_t>::max();  // a deadline: none

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// One open connection, from the library's start notice to its close notice.
struct Tracked {
  int fd = -1;
  std::thread::id worker;            // the server thread that serves it
  std::atomic<int64_t> deadline{0};  // when it is closed unless a whole request came by then
  bool closing = false;              // shut down already (guarded by Connections::mutex)
  std::size_t slot = 0;              // its place in Connections::all
};

// Every open connection, for the deadline and for keeping room for new clients. A connection
// is ended by shutting its socket down: the library then sees the end and closes it itself.
struct Connections {
  std::mutex mutex;
  std::vector<Tracked*> all;
  std::unordered_map<std::thread::id, unsigned> perWorker;
  unsigned roomyLimit = 0;  // per server thread: past this, a new connection makes room
  int64_t requestMs = 0;

  void Started(Tracked* t) {
    std::lock_guard lock(mutex);
    t->slot = all.size();
    all.push_back(t);
    if (++perWorker[t->worker] <= roomyLimit) return;
    // Past the room kept for new clients: the connection of this thread that has waited
    // longest for a whole request goes.
    Tracked* oldest = nullptr;
    for (Tracked* other : all)
      if (other != t && other->worker == t->worker && !other->closing && other->deadline.load() != kAnswering &&
          (oldest == nullptr || other->deadline.load() < oldest->deadline.load()))
        oldest = other;
    if (oldest != nullptr) ShutDown(*oldest);
  }
  void Closed(Tracked* t) {
    std::lock_guard lock(mutex);
    all[t->slot] = all.back();
    all[t->slot]->slot = t->slot;
    all.pop_back();
    --perWorker[t->worker];
  }
  // Ends the connections whose deadline has passed.
  void Expire(int64_t now) {
    std::lock_guard lock(mutex);
    for (Tracked* t : all)
      if (!t->closing && t->deadline.load(std::memory_order_relaxed) <= now) ShutDown(*t);
  }
  static void ShutDown(Tracked& t) {
    t.closing = true;
    ::shutdown(t.fd, SHUT_RDWR);
  }
};

Tracked* TrackedOf(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  return info != nullptr ? static_cast<Tracked*>(info->socket_context) : nullptr;
}

void Notify(void* cls, MHD_Connection* connection, void** socketContext, MHD_ConnectionNotificationCode code) {
  auto* connections = static_cast<Connections*>(cls);
  if (code == MHD_CONNECTION_NOTIFY_STARTED) {
    auto* t = new Tracked;
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    t->fd = info != nullptr ? info->connect_fd : -1;
    t->worker = std::this_thread::get_id();
    t->deadline = NowMs() + connections->requestMs;
    *socketContext = t;
    if (t->fd >= 0) connections->Started(t);
  } else if (auto* t = static_cast<Tracked*>(*socketContext)) {
    if (t->fd >= 0) connections->Closed(t);
    delete t;
    *socketContext = nullptr;
  }
}

// What one request gathers while its body arrives.
struct Exchange {
  std::string body;
  bool tooLarge = false;
  bool started = false;          // the handler has seen the request's headers
  const char* target = nullptr;  // the request target as sent, where the library read it
  std::size_t targetLength = 0;  // up to its first NUL byte
};

// Made when the library has read a request line: the target as sent (before the library
// splits off its query and decodes it), to check the request line's framing later.
void* Begin(void*, const char* uri, MHD_Connection*) {
  auto* exchange = new Exchange;
  exchange->target = uri;
  exchange->targetLength = std::strlen(uri);
  return exchange;
}

bool IsTokenChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

// The framing of a request, as far as libmicrohttpd 0.9.75 lets it be seen: RFC 9112 wants
// 400 and a closed connection for what a proxy in front might read differently. The library
// reads the request line and the header lines in place in one buffer, ends each line (CR LF
// or LF) with NUL bytes and hands out pointers into it; it keeps only the first of several
// Content-Length headers for the body, reads a value cut at a NUL byte as shorter, joins a
// folded line to the line before, and keeps a space before a colon in the name. So every
// line must start where the one before it ended, and each value must follow its name's
// colon: a NUL byte inside a line or a folded line breaks that chain. (One case stays unseen:
// a NUL right before a line's LF, which leaves the same bytes as CR LF.)
// Returns what is wrong, or nullptr.
const char* FramingFault(MHD_Connection* connection, const Exchange& exchange, const char* method,
                         const char* version) {
  const std::size_t methodLength = std::strlen(method);
  if (exchange.target == nullptr || exchange.target != method + methodLength + 1 ||
      version != exchange.target + exchange.targetLength + 1)
    return "the request line holds a NUL byte or more than one space between its parts";
  struct Walk {
    const char* lineEnd;  // the NUL that ended the line before
    int lengths = 0, encodings = 0;
    const char* fault = nullptr;
  } walk{version + std::strlen(version)};
  MHD_get_connection_values_n(
      connection, MHD_HEADER_KIND,
      [](void* cls, MHD_ValueKind, const char* key, size_t keySize, const char* value, size_t valueSize) {
        auto& w = *static_cast<Walk*>(cls);
        // The line before ends in one NUL (LF) or two (CR LF) right before this name; the
        // value follows the name's colon and its blanks, and ends in a NUL.
        const char* gap = w.lineEnd;
        while (gap < key && *gap == '\0' && gap - w.lineEnd < 2) ++gap;
        const char* between = key + keySize + 1;  // after the colon
        while (between < value && (*between == ' ' || *between == '\t')) ++between;
        if (gap != key || key == w.lineEnd || keySize == 0 || key[keySize] != '\0' || between != value ||
            value[valueSize] != '\0') {
          w.fault = "a header line is folded or holds a NUL byte";
          return MHD_NO;
        }
        if (!std::all_of(key, key + keySize, IsTokenChar)) {
          w.fault = "a header name holds a space or another character names cannot hold";
          return MHD_NO;
        }
        w.lineEnd = value + valueSize;
        w.lengths += strcasecmp(key, "Content-Length") == 0;
        w.encodings += strcasecmp(key, "Transfer-Encoding") == 0;
        return MHD_YES;
      },
      &walk);
  if (walk.fault != nullptr) return walk.fault;
  // The last header line and the empty line after it end in NUL bytes too (two at least).
  if (walk.lineEnd[0] != '\0' || walk.lineEnd[1] != '\0') return "a header line is folded or holds a NUL byte";
  if (walk.lengths > 1) return "more than one Content-Length";
  if (walk.lengths > 0 && walk.encodings > 0) return "both Content-Length and Transfer-Encoding";
  return nullptr;
}

MHD_Result AddArgument(void* cls, MHD_ValueKind, const char* key, size_t keySize, const char* value, size_t valueSize) {
  auto* query = static_cast<std::vector<std::pair<std::string, std::string>>*>(cls);
  if (query->size() < 64)
    query->emplace_back(std::string(key, keySize), value != nullptr ? std::string(value, valueSize) : std::string());
  return MHD_YES;
}

std::size_t TargetBytes(MHD_Connection* connection, const char* url) {
  // The request target as sent is not kept by the library; the decoded path and arguments
  // are no longer than it.
  std::size_t bytes = std::strlen(url);
  MHD_get_connection_values_n(
      connection, MHD_GET_ARGUMENT_KIND,
      [](void* cls, MHD_ValueKind, const char*, size_t keySize, const char*, size_t valueSize) {
        *static_cast<std::size_t*>(cls) += keySize + valueSize + 2;
        return MHD_YES;
      },
      &bytes);
  return bytes;
}

std::string_view Header(MHD_Connection* connection, const char* name) {
  const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
  return value != nullptr ? std::string_view(value) : std::string_view();
}

MHD_Result Send(MHD_Connection* connection, Response r) {
  // The library keeps the body until it has been sent, and frees it then: a batch's answer
  // of megabytes is not copied.
  auto* body = new std::string(std::move(r.body));
  MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
      body->size(), body->data(), [](void* text) { delete static_cast<std::string*>(text); }, body);
  if (response == nullptr) {
    delete body;
    return MHD_NO;
  }
  if (!r.contentType.empty()) MHD_add_response_header(response, "Content-Type", r.contentType.c_str());
  for (const auto& [name, value] : r.headers) MHD_add_response_header(response, name.c_str(), value.c_str());
  MHD_Result result = MHD_queue_response(connection, static_cast<unsigned>(r.status), response);
  MHD_destroy_response(response);
  return result;
}

MHD_Result Answer(void* cls, MHD_Connection* connection, const char* url, const char* method, const char* version,
                  const char* upload, size_t* uploadSize, void** context) {
  auto* service = static_cast<Service*>(cls);
  auto* exchange = static_cast<Exchange*>(*context);
  if (exchange == nullptr) {  // not made at the request line (cannot happen): no framing known
    exchange = new Exchange;
    *context = exchange;
  }
  if (!exchange->started) {
    exchange->started = true;
    if (const char* fault = FramingFault(connection, *exchange, method, version)) {
      Response refused;
      refused.status = 400;
      refused.body = std::string(R"({"error":"bad-request","message":"ambiguous framing: )") + fault + "\"}";
      refused.headers.emplace_back("Connection", "close");
      refused.headers.emplace_back("Cache-Control", "no-store");
      return Send(connection, std::move(refused));
    }
    std::string_view length = Header(connection, "Content-Length");
    std::size_t declared = 0;
    auto [end, ec] = std::from_chars(length.data(), length.data() + length.size(), declared);
    if (!length.empty() && (ec != std::errc() || declared > kMaxBody)) exchange->tooLarge = true;
    if (!exchange->tooLarge) return MHD_YES;
  }
  if (*uploadSize != 0) {
    if (!exchange->tooLarge && exchange->body.size() + *uploadSize <= kMaxBody) {
      exchange->body.append(upload, *uploadSize);
    } else {
      exchange->tooLarge = true;
      exchange->body.clear();
      exchange->body.shrink_to_fit();
    }
    *uploadSize = 0;
    return MHD_YES;
  }
  if (Tracked* t = TrackedOf(connection)) t->deadline = kAnswering;  // the whole request is in
  Request request;
  request.method = method;
  request.path = url;
  MHD_get_connection_values_n(connection, MHD_GET_ARGUMENT_KIND, AddArgument, &request.query);
  request.targetBytes = TargetBytes(connection, url);
  request.origin = Header(connection, "Origin");
  request.ifNoneMatch = Header(connection, "If-None-Match");
  request.contentType = Header(connection, "Content-Type");
  request.body = exchange->body;
  request.bodyTooLarge = exchange->tooLarge;
  return Send(connection, service->Handle(request));
}

void Completed(void* cls, MHD_Connection* connection, void** context, MHD_RequestTerminationCode) {
  delete static_cast<Exchange*>(*context);
  *context = nullptr;
  // The next request on this connection has its own time, from now.
  if (Tracked* t = TrackedOf(connection)) t->deadline = NowMs() + static_cast<Connections*>(cls)->requestMs;
}

}  // namespace

struct HttpServer::Impl {
  explicit Impl(Service& s) : service(s) {}
  Service& service;
  MHD_Daemon* daemon = nullptr;
  Connections connections;
  std::thread timer;  // ends the connections past their deadline
  std::mutex timerMutex;
  std::condition_variable timerWake;
  bool stopping = false;  // guarded by timerMutex
};

HttpServer::HttpServer(Service& service) : impl_(new Impl(service)) {}

HttpServer::~HttpServer() {
  Stop();
}

bool ParseListen(const std::string& text, ListenOptions& options) {
  std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string host = text.substr(0, colon);
  if (host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  int port = -1;
  const char* first = text.data() + colon + 1;
  const char* last = text.data() + text.size();
  auto [end, ec] = std::from_chars(first, last, port);
  if (ec != std::errc() || end != last || first == last || port < 0 || port > 65535) return false;
  in6_addr v6{};
  in_addr v4{};
  if (inet_pton(AF_INET, host.c_str(), &v4) != 1 && inet_pton(AF_INET6, host.c_str(), &v6) != 1) return false;
  options.host = host;
  options.port = port;
  return true;
}

bool HttpServer::Start(const ListenOptions& options, std::string& error) {
  sockaddr_in v4{};
  sockaddr_in6 v6{};
  const sockaddr* address = nullptr;
  unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_TURBO;
  if (options.socket < 0) {
    if (inet_pton(AF_INET, options.host.c_str(), &v4.sin_addr) == 1) {
      v4.sin_family = AF_INET;
      v4.sin_port = htons(static_cast<uint16_t>(options.port));
      address = reinterpret_cast<const sockaddr*>(&v4);
    } else if (inet_pton(AF_INET6, options.host.c_str(), &v6.sin6_addr) == 1) {
      v6.sin6_family = AF_INET6;
      v6.sin6_port = htons(static_cast<uint16_t>(options.port));
      address = reinterpret_cast<const sockaddr*>(&v6);
      flags |= MHD_USE_IPv6;
    } else {
      error = "not a numeric address: " + options.host;
      return false;
    }
  }
  unsigned threads = options.threads != 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  // The library gives each thread its share of the connections.
  impl_->connections.roomyLimit = std::max(1u, kMaxConnections / threads * 3 / 4);
  impl_->connections.requestMs = static_cast<int64_t>(options.requestSeconds) * 1000;
  MHD_OptionItem items[] = {
      {address != nullptr ? MHD_OPTION_SOCK_ADDR : MHD_OPTION_LISTEN_SOCKET,
       address != nullptr ? 0 : static_cast<intptr_t>(options.socket), const_cast<sockaddr*>(address)},
      {MHD_OPTION_THREAD_POOL_SIZE, threads, nullptr},
      {MHD_OPTION_CONNECTION_LIMIT, kMaxConnections, nullptr},
      {MHD_OPTION_PER_IP_CONNECTION_LIMIT, kMaxConnectionsPerAddress, nullptr},
      {MHD_OPTION_CONNECTION_TIMEOUT, options.idleSeconds, nullptr},
      {MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<intptr_t>(kConnectionMemory), nullptr},
      {MHD_OPTION_LISTEN_BACKLOG_SIZE, 1024, nullptr},
      {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&Completed), &impl_->connections},
      {MHD_OPTION_NOTIFY_CONNECTION, reinterpret_cast<intptr_t>(&Notify), &impl_->connections},
      {MHD_OPTION_URI_LOG_CALLBACK, reinterpret_cast<intptr_t>(&Begin), nullptr},
      {MHD_OPTION_END, 0, nullptr},
  };
  impl_->daemon =
      MHD_start_daemon(flags, 0, nullptr, nullptr, &Answer, &impl_->service, MHD_OPTION_ARRAY, items, MHD_OPTION_END);
  if (impl_->daemon == nullptr) {
    error = "cannot listen on " + options.host + ":" + std::to_string(options.port);
    return false;
  }
  impl_->stopping = false;
  impl_->timer = std::thread([impl = impl_.get()] {
    std::unique_lock lock(impl->timerMutex);
    while (!impl->timerWake.wait_for(lock, std::chrono::milliseconds(100), [impl] { return impl->stopping; }))
      impl->connections.Expire(NowMs());
  });
  return true;
}

int HttpServer::Port() const {
  if (impl_->daemon == nullptr) return 0;
  const MHD_DaemonInfo* info = MHD_get_daemon_info(impl_->daemon, MHD_DAEMON_INFO_BIND_PORT);
  return info != nullptr ? info->port : 0;
}

void HttpServer::Stop() {
  if (impl_->timer.joinable()) {
    {
      std::lock_guard lock(impl_->timerMutex);
      impl_->stopping = true;
    }
    impl_->timerWake.notify_all();
    impl_->timer.join();
  }
  if (impl_->daemon != nullptr) MHD_stop_daemon(impl_->daemon);
  impl_->daemon = nullptr;
}

}  // namespace tanzel
