// The two HTTP libraries the service could stand on, each serving one file's content to
// every request, with the threads and options the service would give it:
//   transport mhd|beast PORT FILE THREADS
// Listens on 127.0.0.1:PORT until killed. bench/serve/transport-bench.sh builds and loads it.
#include <microhttpd.h>

#include <algorithm>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

unsigned threads = 1;

// libmicrohttpd as the service runs it: a pool of threads on epoll.
MHD_Result AnswerMhd(void* body, MHD_Connection* connection, const char*, const char*, const char*, const char*,
                     size_t*, void** context) {
  static int headersSeen;
  if (*context == nullptr) {
    *context = &headersSeen;
    return MHD_YES;
  }
  const auto* text = static_cast<const std::string*>(body);
  MHD_Response* response =
      MHD_create_response_from_buffer(text->size(), const_cast<char*>(text->data()), MHD_RESPMEM_MUST_COPY);
  MHD_add_response_header(response, "Content-Type", "application/json");
  MHD_Result queued = MHD_queue_response(connection, 200, response);
  MHD_destroy_response(response);
  return queued;
}

int RunMhd(int port, const std::string& body) {
  MHD_Daemon* daemon = MHD_start_daemon(
      MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_TURBO, static_cast<uint16_t>(port), nullptr, nullptr,
      &AnswerMhd, const_cast<std::string*>(&body), MHD_OPTION_THREAD_POOL_SIZE, threads, MHD_OPTION_CONNECTION_LIMIT,
      1024u, MHD_OPTION_CONNECTION_TIMEOUT, 10u, MHD_OPTION_LISTEN_BACKLOG_SIZE, 1024u, MHD_OPTION_END);
  if (daemon == nullptr) return 1;
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

// Boost.Beast on Asio: one io_context run by as many threads, a strand per connection.
class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(tcp::socket socket, const std::string& body) : stream_(std::move(socket)), body_(body) {}
  void Read() {
    request_ = {};
    stream_.expires_after(std::chrono::seconds(10));
    http::async_read(stream_, buffer_, request_,
                     [self = shared_from_this()](beast::error_code ec, std::size_t) { self->Answer(ec); });
  }

 private:
  void Answer(beast::error_code ec) {
    if (ec) {
      stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
      return;
    }
    response_ = http::response<http::string_body>(http::status::ok, request_.version());
    response_.set(http::field::content_type, "application/json");
    response_.keep_alive(request_.keep_alive());
    response_.body() = body_;
    response_.prepare_payload();
    http::async_write(stream_, response_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec || !self->response_.keep_alive()) {
        self->stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
        return;
      }
      self->Read();
    });
  }

  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  http::request<http::string_body> request_;
  http::response<http::string_body> response_;
  const std::string& body_;
};

void Accept(tcp::acceptor& acceptor, net::io_context& io, const std::string& body) {
  acceptor.async_accept(net::make_strand(io), [&](beast::error_code ec, tcp::socket socket) {
    if (!ec) std::make_shared<Session>(std::move(socket), body)->Read();
    Accept(acceptor, io, body);
  });
}

int RunBeast(int port, const std::string& body) {
  net::io_context io(static_cast<int>(threads));
  tcp::acceptor acceptor(io, {net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
  acceptor.listen(1024);
  Accept(acceptor, io, body);
  std::vector<std::thread> others;
  for (unsigned i = 1; i < threads; ++i) others.emplace_back([&io] { io.run(); });
  io.run();
  for (std::thread& t : others) t.join();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: transport mhd|beast PORT FILE THREADS\n");
    return 2;
  }
  std::ifstream file(argv[3], std::ios::binary);
  std::string body((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  int port = std::stoi(argv[2]);
  threads = static_cast<unsigned>(std::max(1, std::stoi(argv[4])));
  std::string library = argv[1];
  return library == "mhd" ? RunMhd(port, body) : library == "beast" ? RunBeast(port, body) : 2;
}
