#pragma once

// The web service's requests and answers, apart from HTTP's transport: one request in, one
// response out, on the data in use. The HTTP server (HttpServer.h) only moves bytes; every
// rule of the service is here, so that it can be tested and fuzzed without a socket.
//
// Endpoints (JSON in UTF-8):
//   GET  /v1/codes/{code}          the addresses and offices of a postal code
//   GET  /v1/search?q=&limit=&after=  the keyword search, paged, with the pass that answered
//   GET  /v1/resolve?address=      one address to its code, with its certainty
//   POST /v1/resolve               a JSON array of addresses, or UTF-8 text, one a line (kMaxBatch at most)
//   GET  /v1/edition               the edition in use
//   GET  /healthz, /readyz         alive; ready (the data read, and every data file readable
//                                  now: else requests would fail on it)
//   GET  /metrics                  Prometheus text
// Errors are {"error": CODE, "message": TEXT} with these stable codes: bad-request,
// bad-code, bad-json, invalid-utf8, keyword-too-long, not-found, unknown-code,
// method-not-allowed, body-too-large, batch-too-large, uri-too-long, not-ready.
//
// A Service is used by every server thread at once.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/data/DataSet.h"
#include "shared/DataInUse.h"

namespace tanzel {

class AddressIndex;
class BatchPool;

// The service's limits, in one place: the checks and the messages that name them read these.
struct ServiceLimits {
  std::size_t body = 4u << 20;  // bytes of a POST body
  std::size_t batch = 10000;    // addresses of one POST /v1/resolve
  std::size_t target = 8192;    // bytes of path and query together
  int searchRows = 1000;        // rows of one search page
  int defaultSearchRows = 100;  // when the request names none
};
inline constexpr ServiceLimits kServiceLimits{};
inline constexpr std::size_t kMaxBody = kServiceLimits.body;
inline constexpr std::size_t kMaxBatch = kServiceLimits.batch;
inline constexpr std::size_t kMaxTarget = kServiceLimits.target;
inline constexpr int kMaxSearchLimit = kServiceLimits.searchRows;
inline constexpr int kDefaultSearchLimit = kServiceLimits.defaultSearchRows;

// The text of the 413 for a body over kMaxBody ("the body is larger than 4 MiB").
std::string BodyTooLargeMessage();

struct Request {
  std::string_view method;
  std::string_view path;                                   // percent-decoded, without the query
  std::vector<std::pair<std::string, std::string>> query;  // decoded arguments, in order
  std::size_t targetBytes = 0;                             // of the request target as sent
  std::string_view origin;                                 // the Origin header, or empty
  std::string_view ifNoneMatch;
  std::string_view contentType;
  std::string_view body;
  bool bodyTooLarge = false;  // the body passed kMaxBody and was not kept
};

struct Response {
  int status = 200;
  std::string contentType = "application/json";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

struct ServiceOptions {
  std::string dataFolder;                   // the data folder (its edition is read per request)
  std::vector<std::string> allowedOrigins;  // CORS: exactly these origins
};

// The edition one request is served from, with what the service derives from it once.
// Answers already written, by key, for one edition (where an answer never changes): at most
// kCapacity of them, all forgotten together when that many are kept. Safe from any thread.
class AnswerCache {
 public:
  static constexpr std::size_t kCapacity = 4096;
  std::optional<std::string> Find(uint32_t key);
  void Keep(uint32_t key, const std::string& answer);

 private:
  std::mutex mutex_;
  std::unordered_map<uint32_t, std::string> answers_;
};

struct ServedEdition {
  std::shared_ptr<const DataSet> set;
  std::shared_ptr<const AddressIndex> index;  // nullptr when the data could not be read
  std::string error;                          // why, then
  std::string etag;                           // "\"...\"", from the edition's id and date
  std::string editionJson;
  mutable AnswerCache codes;  // the answers of /v1/codes written so far
};

class Service {
 public:
  explicit Service(ServiceOptions options);
  ~Service();

  // Answers one request. Never throws; any input gives some response.
  Response Handle(const Request& request);

  // The edition in use now: the one last opened, or a new one when `current` names another
  // edition since (checked with one readlink per call) or the one last opened could not be
  // read. A request holds what this returns to its end.
  std::shared_ptr<const ServedEdition> Current();

  // Reads the data now (the address index too), so that the first request need not.
  bool Ready();

 private:
  struct Metrics;
  struct RouteEntry;
  static const RouteEntry kRoutes[];  // the endpoints, in the order of the metrics
  Response Route(const Request& request, int& endpoint);
  BatchPool& Pool();  // started with the first large batch
  void Count(int endpoint, int status, double seconds);
  std::string MetricsText();

  ServiceOptions options_;
  DataInUse data_;        // the data folder's set, kept fresh
  std::mutex mutex_;      // guards current_
  std::mutex openMutex_;  // one opening of a new edition at a time
  std::shared_ptr<const ServedEdition> current_;
  std::unique_ptr<Metrics> metrics_;
  std::once_flag poolStarted_;
  std::unique_ptr<BatchPool> pool_;
};

}  // namespace tanzel
