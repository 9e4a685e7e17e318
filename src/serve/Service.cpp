#include "serve/Service.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <nlohmann/json.hpp>
#include <thread>

#include "core/data/DataFile.h"
#include "core/data/Records.h"
#include "core/data/RemovedNotice.h"
#include "core/resolve/AddressIndex.h"
#include "core/resolve/AnswerJson.h"
#include "core/resolve/Resolver.h"
#include "core/search/RelayTexts.h"
#include "core/search/SearchEngine.h"
#include "core/text/Normalize.h"
#include "core/text/SjisText.h"
#include "core/text/TextEncoding.h"
#include "serve/BatchPool.h"
#include "shared/RecordView.h"

namespace tanzel {

namespace {

using Json = nlohmann::json;

constexpr int kStatuses[] = {200, 204, 304, 400, 404, 405, 413, 414, 500, 503};
constexpr std::size_t kStatusCount = std::size(kStatuses);
constexpr double kBuckets[] = {0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 1.0};
constexpr std::size_t kBucketCount = std::size(kBuckets);

std::string BatchTooLargeMessage() {
  return "at most " + std::to_string(kMaxBatch) + " addresses at once";
}

std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A label's value in the metrics' text: its backslashes, quotes and line ends escaped.
std::string LabelValue(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

Response Error(int status, const char* code, const std::string& message) {
  Response r;
  r.status = status;
  r.body = Dump(Json{{"error", code}, {"message", message}});
  return r;
}

Response Ok(const Json& json) {
  Response r;
  r.body = Dump(json);
  return r;
}

const std::string* Arg(const Request& request, std::string_view name) {
  for (const auto& [key, value] : request.query)
    if (key == name) return &value;
  return nullptr;
}

// A decimal argument in [low, high]; `fallback` when absent; nothing when malformed.
std::optional<int> IntArg(const Request& request, std::string_view name, int fallback, int low, int high) {
  const std::string* text = Arg(request, name);
  if (text == nullptr) return fallback;
  int value = 0;
  auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (ec != std::errc() || end != text->data() + text->size() || value < low || value > high) return std::nullopt;
  return value;
}

std::string Utf8(std::string_view sjis) {
  return SjisToUtf8(sjis);
}

Json KenJson(const KenRecord& r) {
  const RecordView view = ViewOf(r);
  return Json{{"code", view.code},
              {"prefecture", Utf8(r.PrefKanji)},
              {"prefectureKana", Utf8(r.PrefKana)},
              {"city", Utf8(r.CityKanji)},
              {"cityKana", Utf8(r.CityKana)},
              {"town", Utf8(r.TownKanji)},
              {"townKana", Utf8(r.TownKana)},
              {"townWithoutNote", Utf8(view.townWithoutNotes)},
              {"townKanaWithoutNote", Utf8(view.townKanaWithoutNotes)},
              {"localGovCode", view.localGovCode},
              {"localGovCodeWithCheckDigit", view.localGovCodeWithCheckDigit},
              {"office", nullptr}};
}

Json JigJson(const JigRecord& r) {
  const RecordView view = ViewOf(r);
  return Json{{"code", view.code},
              {"prefecture", Utf8(r.PrefKanji)},
              {"city", Utf8(r.CityKanji)},
              {"town", Utf8(r.TownKanji)},
              {"townWithoutNote", Utf8(view.townWithoutNotes)},
              {"block", Utf8(r.BlockKanji)},
              {"localGovCode", view.localGovCode},
              {"localGovCodeWithCheckDigit", view.localGovCodeWithCheckDigit},
              {"office", Json{{"name", Utf8(r.OfficeKanji)}, {"kana", Utf8(r.OfficeKana)}}}};
}

Response Codes(const ServedEdition& served, std::string_view text) {
  const GatedText sjis = ThroughGate(text);
  if (sjis.fault == GateFault::NotUtf8) return Error(400, "invalid-utf8", "the code is not valid UTF-8");
  std::string code = sjis.sjis && sjis.sjis->size() < 64 ? PostalCodeOfKeyword(*sjis.sjis) : std::string();
  if (code.size() != 7) return Error(400, "bad-code", "not a postal code: write 7 digits, as 1000001 or 100-0001");
  auto postal = static_cast<uint32_t>(std::stoul(code));
  if (std::optional<std::string> kept = served.codes.Find(postal)) {
    Response r;
    r.body = std::move(*kept);
    return r;
  }
  std::vector<uint32_t> towns, offices;
  served.index->ByPostalCode(postal, towns, offices);
  if (towns.empty() && offices.empty()) {
    Response r = Error(404, "unknown-code", "no address or office has this code");
    Json body = Json::parse(r.body);
    body["code"] = code;
    body["removed"] = RemovedCodeOf(*served.set, code).removed;
    r.body = Dump(body);
    return r;
  }
  Json list = Json::array();
  auto ken = std::make_unique<KenRecord>();
  auto jig = std::make_unique<JigRecord>();
  for (uint32_t t : towns) {
    served.index->FillRecord(t, *ken);
    list.push_back(KenJson(*ken));
  }
  for (uint32_t o : offices) {
    served.index->FillRecord(o, *jig);
    list.push_back(JigJson(*jig));
  }
  Response r = Ok(Json{{"code", code}, {"results", std::move(list)}});
  served.codes.Keep(postal, r.body);
  return r;
}

// Collects one page of a search's rows and stops the search after it.
class PageSink : public SearchSink {
 public:
  PageSink(int after, int limit, std::atomic<uint8_t>& cancel) : after_(after), limit_(limit), cancel_(cancel) {}
  void Row(int number, const ResultRow& row) override {
    if (number <= after_) return;
    if (static_cast<int>(rows.size()) >= limit_) {
      more = true;
      cancel_.store(1);
      return;
    }
    rows.push_back(Json{{"code", Utf8(row.Cell(0))},
                        {"kanji", Utf8(row.Cell(1))},
                        {"kana", Utf8(row.Cell(2))},
                        {"localGovCode", Utf8(row.Cell(3))},
                        {"officeAddress", Utf8(row.Cell(4))}});
  }
  void PassStarted(SearchPass kind, std::string_view keyword) override {
    if (kind == SearchPass::Address) pass = SearchPassName(SearchPass::Address);
    if (kind == SearchPass::Tolerant) {
      // an address's rows lead the tolerant pass's
      if (pass == SearchPassName(SearchPass::Exact)) pass = SearchPassName(SearchPass::Tolerant);
      tolerantKeyword = Utf8(keyword);
    }
  }
  // The rows of the address pass are as sure as its answer: a candidate is not the answer.
  void Answered(Certainty sure, MatchKind) override { certainty = CertaintyWord(sure); }

  Json rows = Json::array();
  bool more = false;
  std::string pass = SearchPassName(SearchPass::Exact);
  std::string tolerantKeyword;
  std::string certainty;  // the address pass: how sure its rows are (CertaintyWord)

 private:
  int after_;
  int limit_;
  std::atomic<uint8_t>& cancel_;
};

Response Search(const ServedEdition& served, const Request& request) {
  const std::string* q = Arg(request, "q");
  if (q == nullptr || q->empty()) return Error(400, "bad-request", "q (the keyword) is missing");
  std::optional<int> limit = IntArg(request, "limit", kDefaultSearchLimit, 1, kMaxSearchLimit);
  std::optional<int> after = IntArg(request, "after", 0, 0, TableCapacity);
  if (!limit || !after)
    return Error(400, "bad-request",
                 "limit is 1 to " + std::to_string(kMaxSearchLimit) + ", after 0 to " + std::to_string(TableCapacity));
  const GatedText gated = ThroughGate(*q);
  if (gated.fault == GateFault::NotUtf8) return Error(400, "invalid-utf8", "the keyword is not valid UTF-8");
  SearchParams params;
  const std::optional<std::string>& sjis = gated.sjis;
  if (!sjis) {
    params.matchesNothing = true;
  } else if (sjis->size() > static_cast<std::size_t>(KeywordCapacity - 1)) {
    return Error(400, "keyword-too-long", "the keyword is longer than the search allows");
  } else {
    params.keyword = *sjis;
  }
  thread_local std::unique_ptr<SearchScratch> scratch;
  if (!scratch) scratch.reset(new SearchScratch);
  std::atomic<int32_t> hitCount{0};
  std::atomic<uint8_t> cancel{0};
  PageSink sink(*after, *limit, cancel);
  SearchNotice notice = RunKeywordSearch(KeywordSearch(params), *served.set, *scratch, hitCount, cancel, sink);
  if (notice == SearchNotice::FileMissing) return Error(503, "not-ready", "a data file is missing");
  Json body{{"q", *q}, {"pass", sink.pass}, {"results", std::move(sink.rows)}};
  if (!sink.tolerantKeyword.empty()) body["keyword"] = sink.tolerantKeyword;
  if (!sink.certainty.empty()) body["certainty"] = sink.certainty;
  body["next"] = sink.more ? Json(*after + *limit) : Json(nullptr);
  RelayCode code = RelayCodeOf(notice);
  const char* text = code.kind != 0 && !sink.more ? RelayText(code.kind, code.index) : nullptr;
  body["notice"] = text != nullptr ? Json(Utf8(text)) : Json(nullptr);
  if (notice == SearchNotice::NoHit && sjis) {
    body["removed"] = RemovedCodeOf(*served.set, *sjis).removed;
  }
  return Ok(body);
}

// The answer for one address (UTF-8), as a JSON object appended to `out`.
void AppendAnswer(std::string& out, const AddressIndex& index, std::string_view utf8) {
  std::optional<std::string> sjis = ThroughGate(utf8).sjis;
  AppendAnswerJson(out, index, utf8, sjis ? ResolveAddress(index, *sjis) : ResolveAnswer{});
}

Response Answer(const AddressIndex& index, std::string_view utf8) {
  Response r;
  AppendAnswer(r.body, index, utf8);
  return r;
}

Response ResolveOne(const ServedEdition& served, const Request& request) {
  const std::string* address = Arg(request, "address");
  if (address == nullptr) return Error(400, "bad-request", "address is missing");
  if (!IsValidUtf8(*address)) return Error(400, "invalid-utf8", "the address is not valid UTF-8");
  return Answer(*served.index, *address);
}

// The strings of a JSON array of strings, read as they come (no document is built: a batch is
// ten thousand of them).
class AddressArray : public nlohmann::json_sax<Json> {
 public:
  enum Refusal { kNone, kNotArray, kNotString, kTooMany };
  explicit AddressArray(std::vector<std::string>& out) : out_(out) {}
  Refusal refused = kNone;

  bool string(string_t& text) override {
    if (depth_ != 1) return Refuse();
    if (out_.size() == kMaxBatch) {
      refused = kTooMany;
      return false;
    }
    out_.push_back(std::move(text));
    return true;
  }
  bool start_array(std::size_t) override { return depth_++ == 0 || Refuse(); }
  bool end_array() override {
    --depth_;
    return true;
  }
  bool null() override { return Refuse(); }
  bool boolean(bool) override { return Refuse(); }
  bool number_integer(number_integer_t) override { return Refuse(); }
  bool number_unsigned(number_unsigned_t) override { return Refuse(); }
  bool number_float(number_float_t, const string_t&) override { return Refuse(); }
  bool binary(binary_t&) override { return Refuse(); }
  bool start_object(std::size_t) override { return Refuse(); }
  bool key(string_t&) override { return Refuse(); }
  bool end_object() override { return Refuse(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

 private:
  bool Refuse() {
    refused = depth_ == 1 ? kNotString : kNotArray;
    return false;
  }
  std::vector<std::string>& out_;
  int depth_ = 0;
};

// The addresses of a batch's part; a batch of fewer than two parts is resolved by the thread
// that asks alone.
constexpr std::size_t kBatchPart = 500;

Response ResolveBatch(const ServedEdition& served, const Request& request, const std::function<BatchPool&()>& pool) {
  std::vector<std::string> addresses;
  if (request.contentType.substr(0, 16) == "application/json") {
    AddressArray array(addresses);
    if (!Json::sax_parse(request.body, &array)) {
      if (array.refused == AddressArray::kTooMany) return Error(413, "batch-too-large", BatchTooLargeMessage());
      if (array.refused == AddressArray::kNotString)
        return Error(400, "bad-json", "every item of the array is a string");
      return Error(400, "bad-json", "the body is no JSON array");
    }
  } else {
    // One address a line (lines end in CRLF, LF or CR; a byte order mark is no part of the
    // first); an empty line is no address.
    if (!IsValidUtf8(request.body)) return Error(400, "invalid-utf8", "the body is not valid UTF-8");
    std::string_view text = request.body;
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
    while (!text.empty()) {
      std::string_view line = TakeLine(text);
      if (line.empty()) continue;
      if (addresses.size() == kMaxBatch) return Error(413, "batch-too-large", BatchTooLargeMessage());
      addresses.emplace_back(line);
    }
  }
  // A large batch is resolved on the shared pool and this thread at once, in parts of
  // kBatchPart addresses taken as threads come free, each part written to a text of its own.
  std::size_t parts = addresses.size() < 2 * kBatchPart ? 1 : (addresses.size() + kBatchPart - 1) / kBatchPart;
  std::vector<std::string> texts(parts);
  auto write = [&](std::size_t part) {
    std::size_t begin = addresses.size() * part / parts, end = addresses.size() * (part + 1) / parts;
    texts[part].reserve((end - begin) * 320);  // an answer of one candidate is about 270 bytes
    for (std::size_t i = begin; i < end; ++i) {
      if (i > 0) texts[part] += ',';
      AppendAnswer(texts[part], *served.index, addresses[i]);
    }
  };
  if (parts == 1)
    write(0);
  else
    pool().Run(parts, write);
  Response r;
  std::size_t size = 16;
  for (const std::string& t : texts) size += t.size();
  r.body.reserve(size);
  r.body = "{\"results\":[";
  for (const std::string& t : texts) r.body += t;
  r.body += "]}";
  return r;
}

std::string EditionJson(const DataSet& set) {
  Json body{{"id", set.EditionId()}, {"date", nullptr}, {"archives", Json::array()}};
  if (set.Edition()) {
    body["date"] = set.Edition()->date;
    for (const ArchiveSum& a : set.Edition()->archives)
      body["archives"].push_back(Json{{"name", a.name}, {"sha256", a.sha256}});
  }
  return Dump(body);
}

std::shared_ptr<const ServedEdition> MakeServed(std::shared_ptr<const DataSet> set) {
  auto served = std::make_shared<ServedEdition>();
  served->set = std::move(set);
  served->index = served->set->Index(served->error);
  std::string date = served->set->Edition() ? served->set->Edition()->date : "undated";
  std::string id = served->set->EditionId().empty() ? "plain" : served->set->EditionId();
  // The edition's name may hold any character: only the quotes around the tag stay quotes.
  std::string tag = date + "-" + id;
  for (char& c : tag)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '.' ||
          c == '_'))
      c = '_';
  served->etag = "\"" + tag + "\"";
  served->editionJson = EditionJson(*served->set);
  return served;
}

// Why the data files of `served` cannot be read now (each opened for reading), or empty.
std::string Unreadable(const ServedEdition& served) {
  const std::string& folder = served.set->EditionFolder();
  for (DataKind kind : {DataKind::Ken, DataKind::Jig}) {
    for (int pref = 1; pref <= 47; ++pref) {
      std::string path = folder + DataFileBaseName(kind, pref);
      int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
      struct stat st {};
      bool ok = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
      int error = errno;
      if (fd >= 0) ::close(fd);
      if (!ok) return path + ": " + (fd < 0 ? std::strerror(error) : "not a file");
    }
  }
  return {};
}

bool MatchesEtag(std::string_view header, const std::string& etag) {
  if (header == "*") return true;
  return header.find(etag) != std::string_view::npos;
}

}  // namespace

// One route a line: its name in the metrics, its path (a prefix when it ends in '/'), the
// methods it takes besides OPTIONS, whether it answers from the data in use (then it is not
// asked while the data cannot be read, and its answers carry the edition's ETag), and its
// handler. A new endpoint is one line here and its handler; requests to no route are
// counted as "other".
struct Service::RouteEntry {
  const char* name;
  std::string_view path;
  const char* allow;
  bool fromData;
  Response (*handler)(Service& service, const ServedEdition* served, const Request& request);
};

const Service::RouteEntry Service::kRoutes[] = {
    {"healthz", "/healthz", "GET, HEAD", false,
     [](Service&, const ServedEdition*, const Request&) {
       return Ok(Json{{"status", "ok"}});
     }},
    {"metrics", "/metrics", "GET, HEAD", false,
     [](Service& service, const ServedEdition*, const Request&) {
       Response r;
       r.contentType = "text/plain; version=0.0.4";
       r.body = service.MetricsText();
       return r;
     }},
    {"readyz", "/readyz", "GET, HEAD", false,
     [](Service& service, const ServedEdition*, const Request&) {
       std::shared_ptr<const ServedEdition> served = service.Current();
       if (!served->index) return Error(503, "not-ready", "the data cannot be read: " + served->error);
       // Data taken away under a running service (the folder removed, a file lost):
       // requests would fail, so the service is not ready, and says which file.
       if (std::string why = Unreadable(*served); !why.empty())
         return Error(503, "not-ready", "the data in use cannot be read: " + why);
       return Ok(Json{{"status", "ready"}});
     }},
    {"codes", "/v1/codes/", "GET, HEAD", true,
     [](Service&, const ServedEdition* served, const Request& request) {
       return Codes(*served, request.path.substr(std::string_view("/v1/codes/").size()));
     }},
    {"search", "/v1/search", "GET, HEAD", true,
     [](Service&, const ServedEdition* served, const Request& request) { return Search(*served, request); }},
    {"resolve", "/v1/resolve", "GET, HEAD, POST", true,
     [](Service& service, const ServedEdition* served, const Request& request) {
       if (request.method != "POST") return ResolveOne(*served, request);
       return ResolveBatch(*served, request, [&service]() -> BatchPool& { return service.Pool(); });
     }},
    {"edition", "/v1/edition", "GET, HEAD", true,
     [](Service&, const ServedEdition* served, const Request&) {
       Response r;
       r.body = served->editionJson;
       return r;
     }},
};

struct Service::Metrics {
  static constexpr std::size_t kOther = std::size(kRoutes);  // a request to no route
  std::array<std::array<std::atomic<uint64_t>, kStatusCount + 1>, kOther + 1> requests{};
  std::array<std::atomic<uint64_t>, kBucketCount + 1> buckets{};
  std::atomic<uint64_t> count{0};
  std::atomic<uint64_t> microseconds{0};
  std::atomic<uint64_t> switches{0};
};

Service::Service(ServiceOptions options)
    : options_(std::move(options)),
      data_([](const std::string& folder) { return DataSet::Open(folder); }),
      metrics_(new Metrics) {}

Service::~Service() = default;

BatchPool& Service::Pool() {
  std::call_once(poolStarted_, [this] {
    // The thread that asks works too: with the pool, one thread per core.
    pool_ = std::make_unique<BatchPool>(std::max(2u, std::thread::hardware_concurrency()) - 1);
  });
  return *pool_;
}

std::shared_ptr<const ServedEdition> Service::Current() {
  std::shared_ptr<const ServedEdition> served;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    served = current_;
  }
  std::shared_ptr<const DataSet> set = data_.Set(options_.dataFolder);
  if (served && served->set == set) return served;
  // The first to see a new edition opens it; the others wait and take what it opened.
  std::lock_guard<std::mutex> opening(openMutex_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (current_ != served) return current_;
  }
  std::shared_ptr<const ServedEdition> next = MakeServed(set);
  if (!next->index) data_.Renew();                             // the next request opens the data anew
  if (!next->index && served && served->index) return served;  // keep a readable edition
  std::lock_guard<std::mutex> lock(mutex_);
  if (served) metrics_->switches.fetch_add(1);
  current_ = next;
  return next;
}

bool Service::Ready() {
  return Current()->index != nullptr;
}

std::string BodyTooLargeMessage() {
  return "the body is larger than " + std::to_string(kMaxBody >> 20) + " MiB";
}

Response Service::Route(const Request& request, int& endpoint) {
  std::string_view path = request.path;
  const RouteEntry* route = nullptr;
  for (const RouteEntry& entry : kRoutes) {
    const bool prefix = entry.path.back() == '/';
    if (prefix ? path.substr(0, entry.path.size()) == entry.path : path == entry.path) route = &entry;
  }
  // A body over the limit was not kept (the transport stopped reading it): whatever it was
  // sent to, the answer is 413.
  if (route != nullptr) endpoint = static_cast<int>(route - kRoutes);
  if (request.bodyTooLarge) return Error(413, "body-too-large", BodyTooLargeMessage());
  if (route == nullptr) return Error(404, "not-found", "no such endpoint");
  bool get = request.method == "GET" || request.method == "HEAD";
  if (!get && (request.method != "POST" || std::string_view(route->allow).find("POST") == std::string_view::npos)) {
    Response r = Error(405, "method-not-allowed", std::string("allowed: ") + route->allow);
    r.headers.emplace_back("Allow", route->allow);
    return r;
  }
  if (!route->fromData) return route->handler(*this, nullptr, request);
  std::shared_ptr<const ServedEdition> served = Current();
  if (!served->index) return Error(503, "not-ready", "the data cannot be read: " + served->error);
  Response r;
  try {
    r = route->handler(*this, served.get(), request);
  } catch (const std::exception& e) {
    r = Error(500, "internal", "the request could not be answered");
  }
  // Only an answer from the data is cached, and only it is answered 304; errors (an unknown
  // code too) are no-store.
  if (get && r.status == 200) {
    if (!request.ifNoneMatch.empty() && MatchesEtag(request.ifNoneMatch, served->etag)) {
      r.status = 304;
      r.body.clear();
      r.contentType.clear();
    }
    r.headers.emplace_back("ETag", served->etag);
    r.headers.emplace_back("Cache-Control", "public, max-age=60");
  }
  return r;
}

std::optional<std::string> AnswerCache::Find(uint32_t key) {
  std::lock_guard lock(mutex_);
  auto kept = answers_.find(key);
  return kept != answers_.end() ? std::optional<std::string>(kept->second) : std::nullopt;
}

void AnswerCache::Keep(uint32_t key, const std::string& answer) {
  std::lock_guard lock(mutex_);
  if (answers_.size() >= kCapacity) answers_.clear();
  answers_.emplace(key, answer);
}

Response Service::Handle(const Request& request) {
  auto start = std::chrono::steady_clock::now();
  int endpoint = Metrics::kOther;
  Response r;
  if (request.targetBytes > kMaxTarget) {
    r = Error(414, "uri-too-long", "the request target is longer than " + std::to_string(kMaxTarget) + " bytes");
  } else if (request.method == "OPTIONS") {
    r.status = 204;
    r.contentType.clear();
    r.headers.emplace_back("Allow", "GET, HEAD, POST, OPTIONS");
  } else {
    try {
      r = Route(request, endpoint);
    } catch (const std::exception&) {
      r = Error(500, "internal", "the request could not be answered");
    }
  }
  if (r.headers.end() ==
      std::find_if(r.headers.begin(), r.headers.end(), [](const auto& h) { return h.first == "Cache-Control"; }))
    r.headers.emplace_back("Cache-Control", "no-store");
  // With CORS, an answer differs by the request's Origin: a shared cache must keep them apart
  // (whether this request has one or not).
  if (!options_.allowedOrigins.empty()) r.headers.emplace_back("Vary", "Origin");
  if (!request.origin.empty() && std::find(options_.allowedOrigins.begin(), options_.allowedOrigins.end(),
                                           request.origin) != options_.allowedOrigins.end()) {
    r.headers.emplace_back("Access-Control-Allow-Origin", std::string(request.origin));
    if (request.method == "OPTIONS") {
      r.headers.emplace_back("Access-Control-Allow-Methods", "GET, HEAD, POST");
      r.headers.emplace_back("Access-Control-Allow-Headers", "Content-Type, If-None-Match");
      r.headers.emplace_back("Access-Control-Max-Age", "600");
    } else {
      r.headers.emplace_back("Access-Control-Expose-Headers", "ETag");
    }
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Count(endpoint, r.status, seconds);
  return r;
}

void Service::Count(int endpoint, int status, double seconds) {
  std::size_t s = std::find(std::begin(kStatuses), std::end(kStatuses), status) - std::begin(kStatuses);
  metrics_->requests[static_cast<std::size_t>(endpoint)][s].fetch_add(1, std::memory_order_relaxed);
  std::size_t b = std::lower_bound(std::begin(kBuckets), std::end(kBuckets), seconds) - std::begin(kBuckets);
  metrics_->buckets[b].fetch_add(1, std::memory_order_relaxed);
  metrics_->count.fetch_add(1, std::memory_order_relaxed);
  metrics_->microseconds.fetch_add(static_cast<uint64_t>(seconds * 1e6), std::memory_order_relaxed);
}

std::string Service::MetricsText() {
  std::string text =
      "# HELP tanzel_requests_total Requests answered, by endpoint and status.\n"
      "# TYPE tanzel_requests_total counter\n";
  char line[256];
  for (std::size_t e = 0; e <= Metrics::kOther; ++e) {
    for (std::size_t s = 0; s <= kStatusCount; ++s) {
      uint64_t n = metrics_->requests[e][s].load(std::memory_order_relaxed);
      if (n == 0) continue;
      std::string status = s < kStatusCount ? std::to_string(kStatuses[s]) : "other";
      std::snprintf(line, sizeof line, "tanzel_requests_total{endpoint=\"%s\",status=\"%s\"} %llu\n",
                    e < Metrics::kOther ? kRoutes[e].name : "other", status.c_str(),
                    static_cast<unsigned long long>(n));
      text += line;
    }
  }
  text +=
      "# HELP tanzel_request_duration_seconds Time to answer a request.\n"
      "# TYPE tanzel_request_duration_seconds histogram\n";
  uint64_t cumulative = 0;
  for (std::size_t b = 0; b <= kBucketCount; ++b) {
    cumulative += metrics_->buckets[b].load(std::memory_order_relaxed);
    if (b < kBucketCount)
      std::snprintf(line, sizeof line, "tanzel_request_duration_seconds_bucket{le=\"%g\"} %llu\n", kBuckets[b],
                    static_cast<unsigned long long>(cumulative));
    else
      std::snprintf(line, sizeof line, "tanzel_request_duration_seconds_bucket{le=\"+Inf\"} %llu\n",
                    static_cast<unsigned long long>(cumulative));
    text += line;
  }
  std::snprintf(line, sizeof line,
                "tanzel_request_duration_seconds_sum %.6f\ntanzel_request_duration_seconds_count %llu\n",
                static_cast<double>(metrics_->microseconds.load()) / 1e6,
                static_cast<unsigned long long>(metrics_->count.load()));
  text += line;
  std::shared_ptr<const ServedEdition> served;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    served = current_;
  }
  text += "# HELP tanzel_edition_info The edition in use.\n# TYPE tanzel_edition_info gauge\n";
  if (served) {
    std::string date = served->set->Edition() ? served->set->Edition()->date : "";
    std::snprintf(line, sizeof line, "tanzel_edition_info{id=\"%s\",date=\"%s\"} 1\n",
                  LabelValue(served->set->EditionId().substr(0, 100)).c_str(), date.c_str());
    text += line;
  }
  std::snprintf(line, sizeof line,
                "# HELP tanzel_edition_switches_total Editions taken into use after the first.\n"
                "# TYPE tanzel_edition_switches_total counter\ntanzel_edition_switches_total %llu\n",
                static_cast<unsigned long long>(metrics_->switches.load()));
  text += line;
  return text;
}

}  // namespace tanzel
