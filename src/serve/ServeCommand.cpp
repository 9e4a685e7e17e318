#include "serve/ServeCommand.h"

#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/data/DataFile.h"
#include "core/data/DataFolders.h"
#include "serve/HttpServer.h"
#include "serve/Service.h"

namespace tanzel {

namespace {

constexpr const char* kUsage =
    "usage: tanzel-serve [--data DIR] [--listen HOST:PORT] [--threads N] [--allow-origin ORIGIN]...\n"
    "Serves postal-code look-ups as JSON over HTTP (default 127.0.0.1:8080):\n"
    "  GET  /v1/codes/{code}              addresses and offices of a postal code\n"
    "  GET  /v1/search?q=&limit=&after=   keyword search, paged\n"
    "  GET  /v1/resolve?address=          an address to its postal code, with its certainty\n"
    "  POST /v1/resolve                   a JSON array of up to 10000 addresses, or text lines\n"
    "  GET  /v1/edition                   the edition of the data in use\n"
    "  GET  /healthz, /readyz, /metrics   liveness, readiness, Prometheus metrics\n"
    "--data DIR reads the data files in DIR (default: the data the program reads: its own\n"
    "folder's, or the user's data folder's when that is newer). When an update switches DIR's\n"
    "edition, the next request is served from the new one; requests under way finish on theirs.\n"
    "--threads N serves connections on N threads (default: one per core). Give it the cores the\n"
    "service has to itself: threads that share a core with a client or a proxy on the same\n"
    "machine wait for it, and so do their connections. A batch of addresses uses every core.\n"
    "--allow-origin ORIGIN lets web pages from ORIGIN (https://example.com) call the service;\n"
    "give it once per origin. Without it, no CORS header is sent.\n"
    "Started by systemd with a socket (LISTEN_FDS=1), it serves on that socket.\n"
    "Exit status: 0 stopped by SIGINT or SIGTERM, 2 wrong command line, 3 data unreadable,\n"
    "4 cannot listen.\n";

constexpr unsigned kMaxThreads = 256;

// The listening socket systemd hands over, or -1.
int SocketFromSystemd() {
  const char* pid = std::getenv("LISTEN_PID");
  const char* fds = std::getenv("LISTEN_FDS");
  if (pid == nullptr || fds == nullptr || std::atol(pid) != static_cast<long>(::getpid())) return -1;
  return std::strcmp(fds, "1") == 0 ? 3 : -1;
}

}  // namespace

int ServeCommand(int argc, const char* const argv[], const sigset_t& stopSignals, std::FILE* out, std::FILE* err) {
  ServiceOptions options;
  ListenOptions listen;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, out);
      return 0;
    }
    bool known = arg == "--data" || arg == "--listen" || arg == "--threads" || arg == "--allow-origin";
    if (!known) {
      std::fprintf(err, "tanzel-serve: unknown argument %s\n%s", argv[i], kUsage);
      return 2;
    }
    if (++i >= argc) {
      std::fprintf(err, "tanzel-serve: %s needs a value\n%s", arg.c_str(), kUsage);
      return 2;
    }
    if (arg == "--data") {
      options.dataFolder = WithSlash(argv[i]);
    } else if (arg == "--listen") {
      if (!ParseListen(argv[i], listen)) {
        std::fprintf(err, "tanzel-serve: --listen wants HOST:PORT with a numeric address, not %s\n", argv[i]);
        return 2;
      }
    } else if (arg == "--threads") {
      const char* last = argv[i] + std::strlen(argv[i]);
      auto [end, ec] = std::from_chars(argv[i], last, listen.threads);
      if (ec != std::errc() || end != last || listen.threads == 0 || listen.threads > kMaxThreads) {
        std::fprintf(err, "tanzel-serve: --threads wants a number from 1 to %u, not %s\n", kMaxThreads, argv[i]);
        return 2;
      }
    } else {
      options.allowedOrigins.emplace_back(argv[i]);
    }
  }
  if (options.dataFolder.empty()) options.dataFolder = DataSet::OpenInUse(ExecutableFolder())->Folder();
  listen.socket = SocketFromSystemd();
  Service service(options);
  if (!service.Ready()) {
    std::fprintf(err, "tanzel-serve: the data in %s cannot be read: %s\n", options.dataFolder.c_str(),
                 service.Current()->error.c_str());
    return 3;
  }
  HttpServer server(service);
  std::string error;
  if (!server.Start(listen, error)) {
    std::fprintf(err, "tanzel-serve: %s\n", error.c_str());
    return 4;
  }
  std::fprintf(out, "listening on %s:%d\n", listen.socket >= 0 ? "socket" : listen.host.c_str(), server.Port());
  std::fflush(out);
  int signal = 0;
  sigwait(&stopSignals, &signal);
  server.Stop();
  return 0;
}

}  // namespace tanzel
