#pragma once

// Test helper: an HTTP/1.1 client for a server of the tests on 127.0.0.1, sending the bytes
// it is given, malformed ones too, and reading the answer to the end of the connection.

#include <map>
#include <string>
#include <string_view>

struct HttpReply {
  int status = 0;                              // 0: no answer (the connection failed or closed first)
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
};

// A request: `method` `target` HTTP/1.1, Host, Connection: close, `headers` (whole lines,
// each ending in CRLF), Content-Length when `body` is not empty, then `body`.
std::string HttpRequest(std::string_view method, std::string_view target, std::string_view headers = {},
                        std::string_view body = {});

// Sends `bytes` to 127.0.0.1:`port` and reads until the server closes the connection (at
// most 30 s); `bytes` need not be one well-formed request.
HttpReply HttpSend(int port, std::string_view bytes);

// HttpSend(port, HttpRequest("GET", target)).
HttpReply HttpGet(int port, std::string_view target);

// A connection to 127.0.0.1:`port` from the local address `from` (127.0.0.1 unless given; any
// 127.x.y.z works on Linux), with nothing sent; the caller closes it. -1 when it fails.
int HttpConnect(int port, const char* from = nullptr);

// Raises this process's limit of open files as far as it may go (for tests that open many
// connections).
void RaiseOpenFileLimit();
