#include "serve/HttpServer.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <thread>

namespace tanzel {

namespace {

// What one request gathers while its body arrives.
struct Exchange {
  std::string body;
  bool tooLarge = false;
};

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

MHD_Result Answer(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*,
                  const char* upload, size_t* uploadSize, void** context) {
  auto* service = static_cast<Service*>(cls);
  auto* exchange = static_cast<Exchange*>(*context);
  if (exchange == nullptr) {
    exchange = new Exchange;
    *context = exchange;
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
  Response response = service->Handle(request);
  if (exchange->tooLarge && response.status != 413) {
    response = Response{};
    response.status = 413;
    response.body = R"({"error":"body-too-large","message":"the body is larger than 4 MiB"})";
  }
  return Send(connection, std::move(response));
}

void Completed(void*, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
  delete static_cast<Exchange*>(*context);
  *context = nullptr;
}

}  // namespace

struct HttpServer::Impl {
  Service& service;
  MHD_Daemon* daemon = nullptr;
};

HttpServer::HttpServer(Service& service) : impl_(new Impl{service}) {}

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
  MHD_OptionItem items[] = {
      {address != nullptr ? MHD_OPTION_SOCK_ADDR : MHD_OPTION_LISTEN_SOCKET,
       address != nullptr ? 0 : static_cast<intptr_t>(options.socket), const_cast<sockaddr*>(address)},
      {MHD_OPTION_THREAD_POOL_SIZE, threads, nullptr},
      {MHD_OPTION_CONNECTION_LIMIT, kMaxConnections, nullptr},
      {MHD_OPTION_PER_IP_CONNECTION_LIMIT, kMaxConnectionsPerAddress, nullptr},
      {MHD_OPTION_CONNECTION_TIMEOUT, options.idleSeconds, nullptr},
      {MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<intptr_t>(kConnectionMemory), nullptr},
      {MHD_OPTION_LISTEN_BACKLOG_SIZE, 1024, nullptr},
      {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&Completed), nullptr},
      {MHD_OPTION_END, 0, nullptr},
  };
  impl_->daemon =
      MHD_start_daemon(flags, 0, nullptr, nullptr, &Answer, &impl_->service, MHD_OPTION_ARRAY, items, MHD_OPTION_END);
  if (impl_->daemon == nullptr) {
    error = "cannot listen on " + options.host + ":" + std::to_string(options.port);
    return false;
  }
  return true;
}

int HttpServer::Port() const {
  if (impl_->daemon == nullptr) return 0;
  const MHD_DaemonInfo* info = MHD_get_daemon_info(impl_->daemon, MHD_DAEMON_INFO_BIND_PORT);
  return info != nullptr ? info->port : 0;
}

void HttpServer::Stop() {
  if (impl_->daemon != nullptr) MHD_stop_daemon(impl_->daemon);
  impl_->daemon = nullptr;
}

}  // namespace tanzel
