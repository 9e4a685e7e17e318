// tanzel-serve: every endpoint over HTTP on 127.0.0.1, its answers against tanzel-search's
// for the same inputs, an edition switch under a running client, and malformed requests.

#include <QtTest>

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <nlohmann/json.hpp>
#include <thread>

#include "core/search/SearchMatch.h"
#include "serve/HttpServer.h"
#include "serve/ServeCommand.h"
#include "serve/Service.h"
#include "support/DataLines.h"
#include "support/HttpClient.h"
#include "support/HttpServer.h"
#include "support/Nginx.h"
#include "support/Process.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;
using Json = nlohmann::json;

Q_DECLARE_METATYPE(std::string)

using namespace std::string_literals;

namespace {

constexpr const char* kOrigin = "https://form.example";

std::string EditionA() {
  return KenCsv(13101, "1000000", "チヨダク", "イカニケイサイガナイバアイ", "千代田区", "以下に掲載がない場合") +
         KenCsv(13101, "1000001", "チヨダク", "チヨダ", "千代田区", "千代田") +
         KenCsv(13101, "1000005", "チヨダク", "マルノウチ(1-3チョウメ)", "千代田区", "丸の内（１〜３丁目）") +
         KenCsv(13101, "1000006", "チヨダク", "ユウラクチョウ", "千代田区", "有楽町");
}

std::string EditionB() {
  return KenCsv(13101, "1000000", "チヨダク", "イカニケイサイガナイバアイ", "千代田区", "以下に掲載がない場合") +
         KenCsv(13101, "1000001", "チヨダク", "シンチヨダ", "千代田区", "新千代田");
}

// The service on data folder `data`, listening on a free port of 127.0.0.1.
struct Running {
  Service service;
  tanzel::HttpServer server{service};
  int port = 0;
  explicit Running(const std::string& data, unsigned idleSeconds = kIdleSeconds,
                   unsigned requestSeconds = kRequestSeconds, std::vector<std::string> origins = {kOrigin})
      : service(ServiceOptions{data, std::move(origins)}) {
    ListenOptions options;
    options.port = 0;
    options.threads = 2;
    options.idleSeconds = idleSeconds;
    options.requestSeconds = requestSeconds;
    std::string error;
    if (server.Start(options, error)) port = server.Port();
  }
};

// A service of its own, on a data folder of its own with edition "a" in use: for a test that
// changes the data under it.
struct OwnService {
  TempData dir;
  const std::string data = dir.folder();
  const bool written = WriteEdition(data, "a", EditionA(), "2026-04-30") && UseEdition(data, "a");
  Running running{data};
  bool started() const { return written && running.port > 0; }
};

Json Body(const HttpReply& reply) {
  return Json::parse(reply.body, nullptr, false);
}

QStringList Lines(const QString& text) {
  return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::string Percent(std::string_view text) {
  std::string out;
  char hex[4];
  for (unsigned char c : text) {
    std::snprintf(hex, sizeof hex, "%%%02X", c);
    out += std::isalnum(c) ? std::string(1, static_cast<char>(c)) : std::string(hex);
  }
  return out;
}

// A tanzel-serve process on its own data folder (an edition "a" in use), on 127.0.0.1.
struct Instance {
  TempData dir;
  QProcess process;
  int port = 0;
  bool Start() {
    if (!WriteEdition(dir.folder(), "a", EditionA(), "2026-04-30") || !UseEdition(dir.folder(), "a")) return false;
    port = ClosedPort();
    process.start(QStringLiteral(TANZEL_SERVE_EXE),
                  {QStringLiteral("--data"), QString::fromStdString(dir.folder()), QStringLiteral("--listen"),
                   QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--threads"), QStringLiteral("1")});
    if (!process.waitForStarted()) return false;
    for (int i = 0; i < 100; ++i) {
      if (HttpGet(port, "/readyz").status == 200) return true;
      QThread::msleep(50);
    }
    return false;
  }
  ~Instance() {
    process.kill();
    process.waitForFinished();
  }
};

// Clients asking nginx for a code without pause, on two threads, until stopped: each answer
// must be 200 with the town of one edition or the other.
class Load {
 public:
  explicit Load(int port) {
    for (int i = 0; i < 2; ++i)
      threads_.emplace_back([this, port] {
        while (!stop_.load()) {
          HttpReply reply = HttpGet(port, "/v1/codes/1000001");
          Json body = Body(reply);
          std::string town = reply.status == 200 && !body.is_discarded() ? body["results"][0].value("town", "") : "";
          if (town == "千代田")
            ++old_;
          else if (town == "新千代田")
            ++new_;
          else
            ++failed_;
        }
      });
  }
  ~Load() { Stop(); }
  void Stop() {
    stop_ = true;
    for (std::thread& t : threads_)
      if (t.joinable()) t.join();
  }
  int answered() const { return old_.load() + new_.load(); }
  int onNew() const { return new_.load(); }
  int failed() const { return failed_.load(); }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> old_{0}, new_{0}, failed_{0};
  std::vector<std::thread> threads_;
};

// Two instances behind an nginx upstream, with clients asking nginx without pause: started
// once more than 100 requests were answered.
struct Replicas {
  Instance a, b;
  NginxProxy nginx;
  std::unique_ptr<Load> load;
  bool Start() {
    if (!a.Start() || !b.Start() || !nginx.Start({a.port, b.port})) return false;
    load = std::make_unique<Load>(nginx.port());
    for (int i = 0; i < 400 && load->answered() <= 100; ++i) QThread::msleep(50);
    return load->answered() > 100;
  }
};

}  // namespace

class TestServe : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase();
  void endpoints_data();
  void endpoints();
  void sameAsTheCommandLine_data();
  void sameAsTheCommandLine();
  void resolveBatch();
  void cachingAndCors();
  void paging();
  void bodyLimit();
  void malformed_data();
  void malformed();
  void framing_data();
  void framing();
  void slowClient();
  void tricklingClient();
  void crowdOfSlowClients();
  void batchesShareOnePool();
  void socketActivation_data();
  void socketActivation();
  void readyWithoutData();
  void editionSwitchUnderLoad();
  void replicaKilled();
  void replicasUpdated();
  void commandLine_data();
  void commandLine();
  void listenAddress_data();
  void listenAddress();
  void answerCacheLimit();
  void unreadableEditionKept();
  void editionOfAnyName();

 private:
  TempData dir_;
  std::string data_;
  std::unique_ptr<Running> running_;
};

void TestServe::initTestCase() {
  data_ = dir_.folder();
  QVERIFY(WriteEdition(data_, "a", EditionA(), "2026-04-30"));
  QVERIFY(dir_.write("editions/a/REMOVED", "2026-04-30\n1000009\n"));
  QVERIFY(UseEdition(data_, "a"));
  running_ = std::make_unique<Running>(data_);
  QVERIFY(running_->port > 0);
}

void TestServe::endpoints_data() {
  Columns<std::string, std::string, int, std::string, std::string>(
      "method", "target", "status",
      "pointer",  // a JSON pointer into the answer, or a text it holds
      "expected");
  auto row = [](const char* name, const char* method, std::string target, int status, const char* pointer,
                const char* expected) {
    QTest::newRow(name) << std::string(method) << target << status << std::string(pointer) << std::string(expected);
  };
  row("code", "GET", "/v1/codes/1000001", 200, "/results/0/town", "千代田");
  row("code with hyphen", "GET", "/v1/codes/100-0001", 200, "/results/0/localGovCodeWithCheckDigit", "131016");
  row("code full-width", "GET", "/v1/codes/" + Percent("１００－０００５"), 200, "/results/0/townWithoutNote",
      "丸の内");
  row("code kana without note", "GET", "/v1/codes/1000005", 200, "/results/0/townKanaWithoutNote", "マルノウチ");
  row("code unknown", "GET", "/v1/codes/9999999", 404, "/error", "unknown-code");
  row("code malformed", "GET", "/v1/codes/12ab", 400, "/error", "bad-code");
  row("code invalid UTF-8", "GET", "/v1/codes/%FF%FE", 400, "/error", "invalid-utf8");
  row("search", "GET", "/v1/search?q=" + Percent("有楽町"), 200, "/results/0/code", "100-0006");
  row("search pass", "GET", "/v1/search?q=" + Percent("有楽町"), 200, "/pass", "exact");
  row("search tolerant", "GET", "/v1/search?q=" + Percent("ﾕｳﾗｸﾁｮｳ"), 200, "/results/0/code", "100-0006");
  row("search page", "GET", "/v1/search?q=" + Percent("千代田区") + "&limit=1&after=1", 200, "/next", "2");
  row("search a removed code", "GET", "/v1/search?q=100-0009", 200, "/removed", "true");
  row("search a code never listed", "GET", "/v1/search?q=100-0008", 200, "/removed", "false");
  row("search no keyword", "GET", "/v1/search", 400, "/error", "bad-request");
  row("search bad limit", "GET", "/v1/search?q=a&limit=0", 400, "/error", "bad-request");
  row("search invalid UTF-8", "GET", "/v1/search?q=%C3%28", 400, "/error", "invalid-utf8");
  row("resolve sure", "GET", "/v1/resolve?address=" + Percent("東京都千代田区千代田"), 200, "/certainty", "sure");
  row("resolve code", "GET", "/v1/resolve?address=" + Percent("東京都千代田区千代田"), 200, "/code", "1000001");
  row("resolve nothing", "GET", "/v1/resolve?address=" + Percent("どこでもない"), 200, "/certainty", "not-found");
  row("resolve missing", "GET", "/v1/resolve", 400, "/error", "bad-request");
  row("edition", "GET", "/v1/edition", 200, "/date", "2026-04-30");
  row("edition id", "GET", "/v1/edition", 200, "/id", "a");
  row("healthz", "GET", "/healthz", 200, "/status", "ok");
  row("readyz", "GET", "/readyz", 200, "/status", "ready");
  // The rows run in order on one service: the requests above are counted by their route.
  row("metrics", "GET", "/metrics", 200, "", "tanzel_requests_total{endpoint=\"codes\",status=\"404\"} 1\n");
  row("no edition switch yet", "GET", "/metrics", 200, "", "tanzel_edition_switches_total 0\n");
  row("unknown path", "GET", "/v2/codes/1000001", 404, "/error", "not-found");
  row("metrics of no route", "GET", "/metrics", 200, "", "{endpoint=\"other\",status=\"404\"} 1\n");
  row("a route's path and more", "GET", "/v1/edition/x", 404, "/error", "not-found");
  row("code removed", "GET", "/v1/codes/100-0009", 404, "/removed", "true");
  row("code never listed", "GET", "/v1/codes/100-0008", 404, "/removed", "false");
  row("search an address", "GET", "/v1/search?q=" + Percent("東京都千代田区丸の内２丁目"), 200, "/pass", "address");
  row("search an address, sure", "GET", "/v1/search?q=" + Percent("東京都千代田区丸の内２丁目"), 200, "/certainty",
      "sure");
  row("search an address, not sure", "GET", "/v1/search?q=" + Percent("東京都千代田区霞が関"), 200, "/certainty",
      "not-sure");
  row("search tolerant keyword", "GET", "/v1/search?q=" + Percent("ﾕｳﾗｸﾁｮｳ"), 200, "/keyword", "ユウラクチョウ");
  row("search without a Shift-JIS form", "GET", "/v1/search?q=" + Percent("😀"), 200, "/notice",
      "検索しましたが見つかりませんでした。");
  row("search empty keyword", "GET", "/v1/search?q=", 400, "/error", "bad-request");
  row("search limit not a number", "GET", "/v1/search?q=a&limit=1x", 400, "/error", "bad-request");
  row("resolve invalid UTF-8", "GET", "/v1/resolve?address=%FF%FE", 400, "/error", "invalid-utf8");
  row("wrong method", "DELETE", "/v1/edition", 405, "/error", "method-not-allowed");
  row("POST codes", "POST", "/v1/codes/1000001", 405, "/error", "method-not-allowed");
  row("unknown method", "BREW", "/v1/edition", 405, "/error", "method-not-allowed");
  row("long target", "GET", "/v1/search?q=" + std::string(9000, 'a'), 414, "/error", "uri-too-long");
  // Every limit at its edge and one past it.
  row("search limit at most", "GET", "/v1/search?q=" + Percent("有楽町") + "&limit=1000", 200, "/results/0/code",
      "100-0006");
  row("search limit past most", "GET", "/v1/search?q=" + Percent("有楽町") + "&limit=1001", 400, "/error",
      "bad-request");
  row("search limit at least", "GET", "/v1/search?q=" + Percent("有楽町") + "&limit=1", 200, "/results/0/code",
      "100-0006");
  row("search after at most", "GET", "/v1/search?q=" + Percent("有楽町") + "&after=10240", 200, "/next", "null");
  row("search after past most", "GET", "/v1/search?q=" + Percent("有楽町") + "&after=10241", 400, "/error",
      "bad-request");
  row("search after below least", "GET", "/v1/search?q=" + Percent("有楽町") + "&after=-1", 400, "/error",
      "bad-request");
  // The target as sent: "/healthz?pad=" and its value, 8,192 bytes in all, then one more.
  row("target at the limit", "GET", "/healthz?pad=" + std::string(kMaxTarget - 13, 'a'), 200, "/status", "ok");
  row("target past the limit", "GET", "/healthz?pad=" + std::string(kMaxTarget - 12, 'a'), 414, "/error",
      "uri-too-long");
  std::string arguments;
  for (int i = 1; i < 64; ++i) arguments += "a" + std::to_string(i) + "=&";
  row("64 arguments", "GET", "/v1/search?" + arguments + "q=" + Percent("有楽町"), 200, "/results/0/code", "100-0006");
  // A code and its blanks: 63 bytes, then 64.
  std::string blanks;
  for (int i = 0; i < 56; ++i) blanks += "%20";
  row("code padded to the longest", "GET", "/v1/codes/1000001" + blanks, 200, "/code", "1000001");
  row("code padded past the longest", "GET", "/v1/codes/1000001" + blanks + "%20", 400, "/error", "bad-code");
  const std::string longest(KeywordCapacity - 1, 'a');
  row("keyword at the longest", "GET", "/v1/search?q=" + longest, 200, "/q", longest.c_str());
  row("keyword past the longest", "GET", "/v1/search?q=" + longest + "a", 400, "/error", "keyword-too-long");
  row("65 arguments", "GET", "/v1/search?" + arguments + "a64=&q=" + Percent("有楽町"), 400, "/error", "bad-request");
}

void TestServe::endpoints() {
  QFETCH(std::string, method);
  QFETCH(std::string, target);
  QFETCH(int, status);
  QFETCH(std::string, pointer);
  QFETCH(std::string, expected);
  HttpReply reply = HttpSend(running_->port, HttpRequest(method, target));
  QCOMPARE(reply.status, status);
  if (pointer.empty()) {
    QVERIFY(reply.body.find(expected) != std::string::npos);
    return;
  }
  QCOMPARE(reply.headers["content-type"], std::string("application/json"));
  Json body = Body(reply);
  const Json& value = body.at(Json::json_pointer(pointer));
  QCOMPARE(value.is_string() ? value.get<std::string>() : value.dump(), expected);
}

void TestServe::sameAsTheCommandLine_data() {
  Columns<bool, std::string>("resolve", "input");
  QTest::newRow("search 千代田") << false << std::string("千代田");
  QTest::newRow("search 100-0005") << false << std::string("100-0005");
  QTest::newRow("search tolerant") << false << std::string("ﾏﾙﾉｳﾁ");
  QTest::newRow("resolve town") << true << std::string("東京都千代田区有楽町");
  QTest::newRow("resolve catch-all") << true << std::string("東京都千代田区霞が関");
  QTest::newRow("resolve chome") << true << std::string("東京都千代田区丸の内２丁目");
}

void TestServe::sameAsTheCommandLine() {
  QFETCH(bool, resolve);
  QFETCH(std::string, input);
  QStringList args{QStringLiteral("--data"), QString::fromStdString(data_)};
  if (resolve) args << QStringLiteral("--resolve");
  ProcessResult cli = RunProcess(QStringLiteral(TANZEL_SEARCH_EXE), args << QString::fromStdString(input));
  std::string target = resolve ? "/v1/resolve?address=" : "/v1/search?q=";
  Json body = Body(HttpGet(running_->port, target + Percent(input)));
  QStringList served;
  if (resolve) {
    for (const Json& c : body["candidates"])
      served << QString::fromStdString(c["code"].get<std::string>() + "\t" + c["record"].get<std::string>() + "\t" +
                                       c["match"].get<std::string>());
    QCOMPARE(served.join(QLatin1Char('\t')), Lines(cli.out).value(0).trimmed());
  } else {
    for (const Json& r : body["results"])
      served << QString::fromStdString(r["code"].get<std::string>() + "\t" + r["kanji"].get<std::string>() + "\t" +
                                       r["kana"].get<std::string>() + "\t" + r["localGovCode"].get<std::string>() +
                                       "\t" + r["officeAddress"].get<std::string>());
    QCOMPARE(served, Lines(cli.out));
    QVERIFY(!served.isEmpty());
  }
}

void TestServe::resolveBatch() {
  Json addresses = {"東京都千代田区千代田", "東京都千代田区霞が関", "どこでもない"};
  HttpReply reply = HttpSend(
      running_->port, HttpRequest("POST", "/v1/resolve", "Content-Type: application/json\r\n", addresses.dump()));
  QCOMPARE(reply.status, 200);
  Json results = Body(reply)["results"];
  QCOMPARE(results.size(), std::size_t(3));
  QCOMPARE(results[0]["certainty"].get<std::string>(), std::string("sure"));
  QCOMPARE(results[1]["certainty"].get<std::string>(), std::string("not-sure"));
  QCOMPARE(results[1]["code"].get<std::string>(), std::string("1000000"));
  QCOMPARE(results[2]["certainty"].get<std::string>(), std::string("not-found"));
  // Text lines give the same answers.
  reply = HttpSend(running_->port, HttpRequest("POST", "/v1/resolve", "Content-Type: text/plain\r\n",
                                               "東京都千代田区千代田\r\n東京都千代田区霞が関\nどこでもない\n"));
  QCOMPARE(Body(reply)["results"], results);
  // Lines that end in CR alone are lines too; empty lines are no addresses, a byte order mark
  // no part of the first.
  reply = HttpSend(running_->port,
                   HttpRequest("POST", "/v1/resolve", "Content-Type: text/plain\r\n",
                               "\xEF\xBB\xBF東京都千代田区千代田\r\r東京都千代田区霞が関\rどこでもない\r\n\n"));
  QCOMPARE(Body(reply)["results"], results);
  // A large batch, resolved in parts at once, answers in order as the small one does.
  Json many = Json::array();
  for (int i = 0; i < 1000; ++i) many.insert(many.end(), addresses.begin(), addresses.end());
  reply =
      HttpSend(running_->port, HttpRequest("POST", "/v1/resolve", "Content-Type: application/json\r\n", many.dump()));
  Json all = Body(reply)["results"];
  QCOMPARE(all.size(), std::size_t(3000));
  for (std::size_t i = 0; i < all.size(); i += 997) QCOMPARE(all[i], results[i % 3]);
}

void TestServe::cachingAndCors() {
  HttpReply first =
      HttpSend(running_->port, HttpRequest("GET", "/v1/codes/1000001", "Origin: https://other.example\r\n"));
  QVERIFY(!first.headers["etag"].empty());
  QVERIFY(first.headers["cache-control"].find("max-age") != std::string::npos);
  QVERIFY(first.headers.count("access-control-allow-origin") == 0);
  HttpReply again = HttpSend(
      running_->port, HttpRequest("GET", "/v1/codes/1000001", "If-None-Match: " + first.headers["etag"] + "\r\n"));
  QCOMPARE(again.status, 304);
  QCOMPARE(HttpSend(running_->port, HttpRequest("GET", "/v1/codes/1000001", "If-None-Match: *\r\n")).status, 304);
  // A POST is answered in full, and its answer is not cached.
  HttpReply posted = HttpSend(
      running_->port,
      HttpRequest("POST", "/v1/resolve", "If-None-Match: " + first.headers["etag"] + "\r\n", "東京都千代田区千代田\n"));
  QCOMPARE(posted.status, 200);
  QCOMPARE(posted.headers.count("etag"), std::size_t(0));
  QCOMPARE(posted.headers["cache-control"], std::string("no-store"));
  HttpReply allowed =
      HttpSend(running_->port, HttpRequest("GET", "/v1/codes/1000001", std::string("Origin: ") + kOrigin + "\r\n"));
  QCOMPARE(allowed.headers["access-control-allow-origin"], std::string(kOrigin));
  QCOMPARE(allowed.headers["access-control-expose-headers"], std::string("ETag"));
  HttpReply preflight =
      HttpSend(running_->port, HttpRequest("OPTIONS", "/v1/resolve", std::string("Origin: ") + kOrigin + "\r\n"));
  QCOMPARE(preflight.status, 204);
  QVERIFY(preflight.headers["access-control-allow-methods"].find("POST") != std::string::npos);
  QVERIFY(preflight.headers["access-control-allow-headers"].find("If-None-Match") != std::string::npos);
  QVERIFY(!preflight.headers["access-control-max-age"].empty());
  QCOMPARE(HttpGet(running_->port, "/healthz").headers["cache-control"], std::string("no-store"));
  // With CORS configured, a cacheable answer varies by Origin, also when the request has none.
  QCOMPARE(first.headers["vary"], std::string("Origin"));
  QCOMPARE(HttpGet(running_->port, "/v1/edition").headers["vary"], std::string("Origin"));
  // Errors are never cacheable nor answered 304, an unknown code included.
  const std::string etag = "If-None-Match: " + first.headers["etag"] + "\r\n";
  for (const char* target : {"/v1/codes/9999999", "/v1/codes/12ab", "/v1/search"}) {
    HttpReply error = HttpSend(running_->port, HttpRequest("GET", target, etag));
    QVERIFY2(error.status == 404 || error.status == 400, target);
    QCOMPARE(error.headers["cache-control"], std::string("no-store"));
    QCOMPARE(error.headers.count("etag"), std::size_t(0));
  }
  HttpReply nowhere = HttpGet(running_->port, "/v2/codes/1000001");
  QCOMPARE(nowhere.status, 404);
  QCOMPARE(nowhere.headers["cache-control"], std::string("no-store"));
  QVERIFY(nowhere.headers.count("etag") == 0);
  // Without CORS, an answer does not vary by Origin.
  Running closed(data_, kIdleSeconds, kRequestSeconds, {});
  QVERIFY(closed.port > 0);
  HttpReply plain =
      HttpSend(closed.port, HttpRequest("GET", "/v1/codes/1000001", std::string("Origin: ") + kOrigin + "\r\n"));
  QCOMPARE(plain.status, 200);
  QCOMPARE(plain.headers.count("vary"), std::size_t(0));
  QCOMPARE(plain.headers.count("access-control-allow-origin"), std::size_t(0));
}

void TestServe::malformed_data() {
  Columns<std::string, int, std::string>("request",
                                         "status",  // 0: the connection is closed without an answer
                                         "error");
  std::string big(kMaxBody + 1, 'a');
  std::string batch;
  for (std::size_t i = 0; i <= kMaxBatch; ++i) batch += "a\n";
  QTest::newRow("body over the limit") << HttpRequest("POST", "/v1/resolve", "", big) << 413
                                       << std::string("body-too-large");
  QTest::newRow("body over the limit, to a path that takes none")
      << HttpRequest("POST", "/v1/codes/1000001", "", big) << 413 << std::string("body-too-large");
  QTest::newRow("body over the limit, to no route")
      << HttpRequest("POST", "/v2/resolve", "", big) << 413 << std::string("body-too-large");
  QTest::newRow("declared body over the limit")
      << std::string("POST /v1/resolve HTTP/1.1\r\nHost: x\r\nContent-Length: 99999999999\r\n\r\n") << 413
      << std::string("body-too-large");
  // An empty line after the last address is no address: it does not count past the limit.
  QTest::newRow("batch at the limit") << HttpRequest("POST", "/v1/resolve", "", batch.substr(2) + "\n") << 200
                                      << std::string("");
  QTest::newRow("batch over the limit") << HttpRequest("POST", "/v1/resolve", "", batch) << 413
                                        << std::string("batch-too-large");
  std::replace(batch.begin(), batch.end(), '\n', '\r');
  QTest::newRow("batch over the limit, lines ending in CR")
      << HttpRequest("POST", "/v1/resolve", "", batch) << 413 << std::string("batch-too-large");
  QTest::newRow("invalid UTF-8 in text") << HttpRequest("POST", "/v1/resolve", "", "東京都千代田区千代田\n\xff\xfe\n")
                                         << 400 << std::string("invalid-utf8");
  std::string strings = "[";
  for (std::size_t i = 0; i <= kMaxBatch; ++i) strings += i == 0 ? "\"a\"" : ",\"a\"";
  QTest::newRow("JSON batch at the limit") << HttpRequest("POST", "/v1/resolve", "Content-Type: application/json\r\n",
                                                          strings.substr(0, strings.size() - 4) + "]")
                                           << 200 << std::string("");
  QTest::newRow("JSON batch over the limit")
      << HttpRequest("POST", "/v1/resolve", "Content-Type: application/json\r\n", strings + "]") << 413
      << std::string("batch-too-large");
  for (const char* json : {"{\"a\":\"b\"}", "\"a\"", "[[\"a\"]]", "[\"a\"] x"})
    QTest::newRow(json) << HttpRequest("POST", "/v1/resolve", "Content-Type: application/json\r\n", json) << 400
                        << std::string("bad-json");
  QTest::newRow("bad JSON") << HttpRequest("POST", "/v1/resolve", "Content-Type: application/json\r\n", "[\"a\",")
                            << 400 << std::string("bad-json");
  QTest::newRow("JSON with a charset") << HttpRequest("POST", "/v1/resolve",
                                                      "Content-Type: application/json; charset=utf-8\r\n", "[1]")
                                       << 400 << std::string("bad-json");
  QTest::newRow("JSON not strings") << HttpRequest("POST", "/v1/resolve", "Content-Type: application/json\r\n", "[1]")
                                    << 400 << std::string("bad-json");
  QTest::newRow("invalid UTF-8 in JSON") << HttpRequest("POST", "/v1/resolve", "Content-Type: application/json\r\n",
                                                        "[\"\xff\"]")
                                         << 400 << std::string("bad-json");
  QTest::newRow("huge header") << HttpRequest("GET", "/healthz", "X-Big: " + std::string(100000, 'b') + "\r\n") << 431
                               << std::string("");
  QTest::newRow("huge request line") << HttpRequest("GET", "/v1/search?q=" + std::string(100000, 'a')) << 414
                                     << std::string("");
  QTest::newRow("not HTTP") << std::string("\x16\x03\x01\x02\x01\x01\xfc\x03\x03garbage\r\n\r\n") << 0
                            << std::string("");
}

void TestServe::malformed() {
  QFETCH(std::string, request);
  QFETCH(int, status);
  QFETCH(std::string, error);
  HttpReply reply = HttpSend(running_->port, request);
  QCOMPARE(reply.status, status);
  if (!error.empty()) QCOMPARE(Body(reply)["error"].get<std::string>(), error);
  QCOMPARE(HttpGet(running_->port, "/healthz").status, 200);  // still serving
}

void TestServe::framing_data() {
  Columns<std::string, int>("request", "status");  // 400: refused, and the connection closed
  auto get = [](std::string_view target, std::string_view headers) {
    return std::string("GET ") + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + std::string(headers) +
           "\r\n";
  };
  const std::string post = "POST /v1/resolve HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n";
  QTest::newRow("two Content-Length") << post +
                                             "Content-Length: 5\r\nContent-Length: 43\r\n\r\nhello"
                                             "GET /v1/codes/1000001 HTTP/1.1\r\nHost: x\r\n\r\n"
                                      << 400;
  QTest::newRow("same Content-Length twice") << post + "Content-Length: 1\r\nContent-Length: 1\r\n\r\na" << 400;
  QTest::newRow("Content-Length and chunked")
      << post + "Content-Length: 4\r\nTransfer-Encoding: chunked\r\n\r\n1\r\na\r\n0\r\n\r\n"
      << 400;
  QTest::newRow("space before a colon") << get("/healthz", "X-Name : x\r\n") << 400;
  QTest::newRow("Host with a space before its colon")
      << std::string("GET /healthz HTTP/1.1\r\nHost : 127.0.0.1\r\n\r\n") << 400;
  QTest::newRow("a bracket in a name") << get("/healthz", "X-Name(1): x\r\n") << 400;
  QTest::newRow("folded line") << get("/healthz", "X-Name: a\r\n b\r\n") << 400;
  QTest::newRow("folded with a tab") << get("/healthz", "X-Name: a\r\n\tb\r\nX-Other: c\r\n") << 400;
  QTest::newRow("NUL in the target") << get("/v1/search?q=a\0b"s, "") << 400;
  QTest::newRow("NUL in the path") << get("/healthz\0/x"s, "") << 400;
  QTest::newRow("NUL in a value") << get("/healthz", "X-Name: a\0b\r\n"s) << 400;
  QTest::newRow("NUL ending a value") << get("/healthz", "X-Name: a\0\r\nX-B: c\r\n"s) << 400;
  QTest::newRow("NUL in a name") << get("/healthz", "X-Na\0me: a\r\n"s) << 400;
  QTest::newRow("NUL in the method") << "GE\0T /healthz HTTP/1.1\r\nHost: x\r\n\r\n"s << 400;
  // Well framed, though unusual: answered.
  QTest::newRow("LF line ends") << std::string("GET /healthz HTTP/1.1\nHost: 127.0.0.1\nX-A: b\n\n") << 200;
  QTest::newRow("tab and spaces around a value") << get("/healthz", "X-A:\t b  \r\nX-B:  \r\nX-C:c\r\n") << 200;
  QTest::newRow("one Content-Length") << post + "Content-Length: 1\r\n\r\na" << 200;
  QTest::newRow("chunked") << post + "Transfer-Encoding: chunked\r\n\r\n1\r\na\r\n0\r\n\r\n" << 200;
  QTest::newRow("many headers") << get("/v1/codes/1000001?a=1&b=%20",
                                       std::string(40, 'X') + ": y\r\n" + "Accept: */*\r\nX-1: 1\r\nX-2: 2\r\n")
                                << 200;
}

// Ambiguous framing (RFC 9112: what a proxy in front might read otherwise) is refused with 400
// and the connection closed; nothing sent after it on that connection is answered.
void TestServe::framing() {
  QFETCH(std::string, request);
  QFETCH(int, status);
  HttpReply reply = HttpSend(
      running_->port, request + (status == 400 ? "" : "GET /x HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"));
  QCOMPARE(reply.status, status);
  if (status == 400) {
    QCOMPARE(reply.headers["connection"], std::string("close"));
    // The library refuses a line without a colon (a NUL in a name) itself, in HTML.
    if (reply.headers["content-type"] == "application/json")
      QCOMPARE(Body(reply)["error"].get<std::string>(), std::string("bad-request"));
    QVERIFY2(reply.body.find("HTTP/1.1") == std::string::npos, reply.body.c_str());  // no second answer
  }
  QCOMPARE(HttpGet(running_->port, "/healthz").status, 200);  // still serving
}

void TestServe::slowClient() {
  Running quick(data_, 1);
  QVERIFY(quick.port > 0);
  // A request that never ends: the server closes the connection once it stays idle.
  HttpReply reply = HttpSend(quick.port, "GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n");
  QCOMPARE(reply.status, 0);
  QCOMPARE(HttpGet(quick.port, "/healthz").status, 200);
}

// A client that sends a byte every 200 ms is never idle, yet it is closed once it has not
// delivered a whole request within the deadline (1 s here).
void TestServe::tricklingClient() {
  Running strict(data_, kIdleSeconds, 1);
  QVERIFY(strict.port > 0);
  int fd = HttpConnect(strict.port);
  QVERIFY(fd >= 0);
  const std::string request = "GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: " + std::string(100, 'a');
  bool closed = false;
  for (std::size_t i = 0; i < request.size() && !closed; ++i) {
    closed = ::send(fd, &request[i], 1, MSG_NOSIGNAL) != 1;
    char byte;
    closed = closed || ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  ::close(fd);
  QVERIFY(closed);  // before the 20 s the whole request would take
  QCOMPARE(HttpGet(strict.port, "/healthz").status, 200);
}

// 1,100 connections from five addresses (220 each, under the per-address cap) that send
// nothing, or one header byte: a new client is still answered, since past three quarters of
// the limit each new connection closes the one that has waited longest.
void TestServe::crowdOfSlowClients() {
  RaiseOpenFileLimit();
  Running crowded(data_, 60, 60);  // the crowd is not timed out while the test runs
  QVERIFY(crowded.port > 0);
  std::vector<int> crowd;
  const char* addresses[] = {"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"};
  for (int i = 0; i < 1100; ++i) {
    int fd = HttpConnect(crowded.port, addresses[i % 5]);
    if (fd < 0) break;
    if (i % 2 == 0) ::send(fd, "G", 1, MSG_NOSIGNAL);
    crowd.push_back(fd);
  }
  QCOMPARE(crowd.size(), std::size_t(1100));
  HttpReply reply = HttpGet(crowded.port, "/healthz");
  // The last hundred are the newest of their thread's connections, never the one that has
  // waited longest: all of them are still open.
  std::vector<pollfd> last;
  for (std::size_t i = crowd.size() - 100; i < crowd.size(); ++i) last.push_back(pollfd{crowd[i], POLLIN, 0});
  const int lastClosed = ::poll(last.data(), last.size(), 0);
  for (int fd : crowd) ::close(fd);
  QCOMPARE(reply.status, 200);
  QCOMPARE(lastClosed, 0);
}

// Twelve batches at once run on the one pool of the service: no thread is started for a
// request (the process never holds more threads than before, plus the clients').
void TestServe::batchesShareOnePool() {
  Json many = Json::array();
  for (int i = 0; i < 3000; ++i) many.push_back("東京都千代田区千代田");
  const std::string request = HttpRequest("POST", "/v1/resolve", "Content-Type: application/json\r\n", many.dump());
  QCOMPARE(HttpSend(running_->port, request).status, 200);  // the pool is started
  auto threads = [] {
    return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
  };
  const qsizetype before = threads();
  constexpr int kClients = 12;
  std::atomic<qsizetype> most{0};
  std::atomic<int> running{kClients}, failed{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c)
    clients.emplace_back([&] {
      for (int i = 0; i < 3; ++i) failed += HttpSend(running_->port, request).status != 200;
      --running;
    });
  while (running.load() > 0) most = std::max(most.load(), threads());
  for (std::thread& t : clients) t.join();
  QCOMPARE(failed.load(), 0);
  QVERIFY2(most.load() <= before + kClients,
           qPrintable(QStringLiteral("%1 threads, %2 before").arg(most.load()).arg(before)));
}

// The data folder removed under a running service: /readyz says it is not ready, and why,
// as a search on that data fails; ready again once the data is back.
void TestServe::readyWithoutData() {
  OwnService own;
  QVERIFY(own.started());
  const std::string& data = own.data;
  const int port = own.running.port;
  QCOMPARE(HttpGet(port, "/readyz").status, 200);
  QCOMPARE(HttpGet(port, "/v1/search?q=" + Percent("有楽町")).status, 200);
  QVERIFY(QDir(QString::fromStdString(data + "editions/a")).removeRecursively());
  QCOMPARE(HttpGet(port, "/v1/search?q=" + Percent("有楽町")).status, 503);
  HttpReply ready = HttpGet(port, "/readyz");
  QCOMPARE(ready.status, 503);
  QCOMPARE(Body(ready)["error"].get<std::string>(), std::string("not-ready"));
  QVERIFY2(ready.body.find("KEN01.CSV") != std::string::npos, ready.body.c_str());
  QCOMPARE(ready.headers["cache-control"], std::string("no-store"));
  QVERIFY(WriteEdition(data, "a", EditionA(), "2026-04-30"));
  QCOMPARE(HttpGet(port, "/readyz").status, 200);
  // Every data file counts, the last one too.
  QVERIFY(::unlink((data + "editions/a/" + JigName(47)).c_str()) == 0);
  ready = HttpGet(port, "/readyz");
  QCOMPARE(ready.status, 503);
  QVERIFY2(ready.body.find(JigName(47)) != std::string::npos, ready.body.c_str());
  // Started on a folder without data: nothing is answered from it.
  TempData empty;
  Running none(empty.folder());
  QVERIFY(none.port > 0);
  for (const char* target : {"/readyz", "/v1/edition", "/v1/codes/1000001"})
    QVERIFY2(HttpGet(none.port, target).status == 503, target);
}

void TestServe::socketActivation_data() {
  Columns<bool, QByteArray, bool>("ownPid",  // LISTEN_PID names the program, or its parent
                                  "fds",     // LISTEN_FDS
                                  "onSocket");
  Row("systemd's socket", true, QByteArray("1"), true);
  Row("a socket for another process", false, QByteArray("1"), false);
  Row("two sockets", true, QByteArray("2"), false);
}

// Started by systemd with a listening socket (fd 3, LISTEN_FDS=1, LISTEN_PID its own), the
// program serves on that socket and stops cleanly on SIGTERM; a socket meant for another
// process, or more than one, is not taken: it listens where --listen says.
void TestServe::socketActivation() {
  QFETCH(bool, ownPid);
  QFETCH(QByteArray, fds);
  QFETCH(bool, onSocket);
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  QVERIFY(listener >= 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&address), size) == 0 && ::listen(listener, 16) == 0);
  QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) == 0);
  const int port = onSocket ? ntohs(address.sin_port) : ClosedPort();
  QProcess serve;
  serve.setChildProcessModifier([listener, ownPid, fds] {
    ::dup2(listener, 3);
    char pid[16];
    std::snprintf(pid, sizeof pid, "%d", static_cast<int>(ownPid ? ::getpid() : ::getppid()));
    ::setenv("LISTEN_PID", pid, 1);
    ::setenv("LISTEN_FDS", fds.constData(), 1);
  });
  // The data folder named without its trailing '/'.
  QStringList arguments{QStringLiteral("--data"), QString::fromStdString(data_.substr(0, data_.size() - 1)),
                        QStringLiteral("--threads"), QStringLiteral("1")};
  if (!onSocket) arguments << QStringLiteral("--listen") << QStringLiteral("127.0.0.1:%1").arg(port);
  serve.start(QStringLiteral(TANZEL_SERVE_EXE), arguments);
  QVERIFY(serve.waitForStarted());
  ::close(listener);
  HttpReply reply = HttpGet(port, "/v1/codes/1000001");
  for (int i = 0; i < 100 && reply.status == 0 && serve.state() == QProcess::Running; ++i) {
    QThread::msleep(50);
    reply = HttpGet(port, "/v1/codes/1000001");
  }
  QCOMPARE(reply.status, 200);
  QVERIFY(Body(reply)["results"][0]["town"] == "千代田");
  ::kill(static_cast<pid_t>(serve.processId()), SIGTERM);
  QVERIFY(serve.waitForFinished());
  QCOMPARE(serve.exitCode(), 0);
}

void TestServe::editionSwitchUnderLoad() {
  QVERIFY(WriteEdition(data_, "b", EditionB(), "2026-05-29"));
  std::atomic<bool> stop{false};
  std::atomic<int> failed{0}, answered{0}, onB{0};
  std::thread client([&] {
    while (!stop.load()) {
      HttpReply reply = HttpGet(running_->port, "/v1/codes/1000001");
      Json body = Body(reply);
      if (reply.status != 200 || body.is_discarded()) {
        ++failed;
        continue;
      }
      ++answered;
      std::string town = body["results"][0]["town"].get<std::string>();
      if (town == "新千代田")
        ++onB;
      else if (town != "千代田")
        ++failed;
    }
  });
  QTRY_VERIFY_WITH_TIMEOUT(answered.load() > 20, 30000);
  QVERIFY(UseEdition(data_, "b"));
  QTRY_VERIFY_WITH_TIMEOUT(onB.load() > 20, 30000);
  stop = true;
  client.join();
  QCOMPARE(failed.load(), 0);
  // Every request after the switch is served from the new edition.
  QCOMPARE(Body(HttpGet(running_->port, "/v1/edition"))["id"].get<std::string>(), std::string("b"));
  QCOMPARE(HttpGet(running_->port, "/v1/codes/1000005").status, 404);
  QVERIFY(HttpGet(running_->port, "/metrics").body.find("tanzel_edition_switches_total 1") != std::string::npos);
}

// The README's recipe for several instances: two behind an nginx upstream. One killed with
// SIGKILL under load loses no request (nginx takes the next instance).
void TestServe::replicaKilled() {
  if (NginxProxy::Program().empty()) QSKIP("nginx is not installed");
  Replicas replicas;
  QVERIFY(replicas.Start());
  Instance& a = replicas.a;
  Load& load = *replicas.load;
  ::kill(static_cast<pid_t>(a.process.processId()), SIGKILL);
  a.process.waitForFinished();
  const int before = load.answered();
  QTRY_VERIFY_WITH_TIMEOUT(load.answered() > before + 300, 20000);
  load.Stop();
  QVERIFY2(load.failed() == 0, replicas.nginx.ErrorLog().c_str());
}

// Both instances take a new edition, one after the other, under load: no request is lost,
// and once both have it every answer is from it.
void TestServe::replicasUpdated() {
  if (NginxProxy::Program().empty()) QSKIP("nginx is not installed");
  Replicas replicas;
  QVERIFY(replicas.Start());
  Instance &a = replicas.a, &b = replicas.b;
  Load& load = *replicas.load;
  QVERIFY(WriteEdition(a.dir.folder(), "b", EditionB(), "2026-05-29") && UseEdition(a.dir.folder(), "b"));
  QTRY_VERIFY_WITH_TIMEOUT(load.onNew() > 100, 20000);
  QVERIFY(WriteEdition(b.dir.folder(), "b", EditionB(), "2026-05-29") && UseEdition(b.dir.folder(), "b"));
  QTRY_VERIFY_WITH_TIMEOUT(Body(HttpGet(b.port, "/v1/edition"))["id"] == "b", 20000);
  const int before = load.answered(), newBefore = load.onNew();
  QTRY_VERIFY_WITH_TIMEOUT(load.answered() > before + 200, 20000);
  load.Stop();
  QVERIFY2(load.failed() == 0, replicas.nginx.ErrorLog().c_str());
  // Asked after both switched, every answer is from the new edition (allow the requests
  // already under way when the second switched).
  QVERIFY(load.onNew() - newBefore >= load.answered() - before - 2);
}

// The command line: a refused one stops there (2); an accepted one goes on to read the data
// (here a folder without any: 3), then to listen (on a port already taken: 4). The thread
// counts at the edges of their range and one past them (the port's edges are ParseListen's,
// in listenAddress). In the arguments, {data} is a folder with data, {taken} a port in use.
void TestServe::commandLine_data() {
  Columns<QString, int>("arguments", "exit");
  for (const char* arguments :
       {"--threads 0", "--threads 257", "--threads two", "--threads 2x", "--threads", "--listen 8080", "--port 1"})
    RowOf(arguments, 2);
  Row("one thread", "--threads 1", 3);
  Row("the most threads", "--threads 256", 3);
  Row("help", "--help", 0);
  Row("a port in use", "--data {data} --listen 127.0.0.1:{taken}", 4);
}

void TestServe::commandLine() {
  QFETCH(QString, arguments);
  QFETCH(int, exit);
  TempData empty;
  int taken = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  QVERIFY(taken >= 0 && ::bind(taken, reinterpret_cast<sockaddr*>(&address), size) == 0 && ::listen(taken, 1) == 0 &&
          ::getsockname(taken, reinterpret_cast<sockaddr*>(&address), &size) == 0);
  arguments.replace(QStringLiteral("{data}"), QString::fromStdString(data_))
      .replace(QStringLiteral("{taken}"), QString::number(ntohs(address.sin_port)));
  std::vector<std::string> words{"tanzel-serve", "--data", empty.folder()};
  for (const QString& word : arguments.split(QLatin1Char(' '))) words.push_back(word.toStdString());
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  sigset_t signals;
  sigemptyset(&signals);
  std::FILE* sink = std::fopen("/dev/null", "w");
  const int status = ServeCommand(static_cast<int>(argv.size()), argv.data(), signals, sink, sink);
  std::fclose(sink);
  ::close(taken);
  QCOMPARE(status, exit);
}

// Pages follow each other: page n+1 starts with the row after the last of page n.
void TestServe::paging() {
  const std::string search = "/v1/search?q=" + Percent("千代田区");
  Json all = Body(HttpGet(running_->port, search))["results"];
  QCOMPARE(all.size(), std::size_t(3));
  Json paged = Json::array();
  Json next = 0;
  for (int page = 0; !next.is_null() && page < 5; ++page) {
    Json body = Body(HttpGet(running_->port, search + "&limit=1&after=" + next.dump()));
    QCOMPARE(body["results"].size(), std::size_t(1));
    paged.push_back(body["results"][0]);
    next = body["next"];
    QCOMPARE(next.dump(), page < 2 ? std::to_string(page + 1) : std::string("null"));
  }
  QCOMPARE(paged, all);
}

// A body of exactly the largest size is read; one byte more is refused.
void TestServe::bodyLimit() {
  const std::string start = "[\"東京都千代田区千代田\"";
  std::string body = start + std::string(kMaxBody - start.size() - 1, ' ') + "]";
  QCOMPARE(body.size(), kMaxBody);
  HttpReply reply =
      HttpSend(running_->port, HttpRequest("POST", "/v1/resolve", "Content-Type: application/json\r\n", body));
  QCOMPARE(reply.status, 200);
  QCOMPARE(Body(reply)["results"][0]["code"].get<std::string>(), std::string("1000001"));
  body.insert(body.size() - 1, " ");
  reply = HttpSend(running_->port, HttpRequest("POST", "/v1/resolve", "Content-Type: application/json\r\n", body));
  QCOMPARE(reply.status, 413);
  QCOMPARE(Body(reply)["error"].get<std::string>(), std::string("body-too-large"));
}

void TestServe::listenAddress_data() {
  Columns<std::string, int>("text", "port");  // -1: refused
  QTest::newRow("highest port") << std::string("127.0.0.1:65535") << 65535;
  QTest::newRow("past the highest port") << std::string("127.0.0.1:65536") << -1;
  QTest::newRow("port 0") << std::string("127.0.0.1:0") << 0;
  QTest::newRow("negative port") << std::string("127.0.0.1:-1") << -1;
  QTest::newRow("no port") << std::string("127.0.0.1:") << -1;
  QTest::newRow("IPv6") << std::string("[::1]:8080") << 8080;
  QTest::newRow("IPv6 without its closing bracket") << std::string("[::1:8080") << -1;
  QTest::newRow("no host") << std::string(":8080") << -1;
  QTest::newRow("a name") << std::string("localhost:8080") << -1;
}

void TestServe::listenAddress() {
  QFETCH(std::string, text);
  QFETCH(int, port);
  ListenOptions options;
  options.port = -2;
  QCOMPARE(ParseListen(text, options), port >= 0);
  if (port >= 0) QCOMPARE(options.port, port);
}

// The kept answers: all of them up to the capacity, forgotten together one past it.
void TestServe::answerCacheLimit() {
  AnswerCache cache;
  for (uint32_t key = 1; key <= AnswerCache::kCapacity; ++key) cache.Keep(key, std::to_string(key));
  QCOMPARE(cache.Find(1).value_or(""), std::string("1"));
  QCOMPARE(cache.Find(AnswerCache::kCapacity).value_or(""), std::to_string(AnswerCache::kCapacity));
  cache.Keep(AnswerCache::kCapacity + 1, "last");
  QVERIFY(!cache.Find(1));
  QVERIFY(!cache.Find(AnswerCache::kCapacity));
  QCOMPARE(cache.Find(AnswerCache::kCapacity + 1).value_or(""), std::string("last"));
}

// A new edition that cannot be read (a data file missing) never replaces the one in use
// until it can be read.
void TestServe::unreadableEditionKept() {
  OwnService own;
  QVERIFY(own.started());
  const std::string& data = own.data;
  const int port = own.running.port;
  QCOMPARE(HttpGet(port, "/v1/codes/1000001").status, 200);
  QVERIFY(WriteEdition(data, "b", EditionB(), "2026-05-29"));
  QVERIFY(::unlink((data + "editions/b/" + KenName(1)).c_str()) == 0);
  QVERIFY(UseEdition(data, "b"));
  HttpReply reply = HttpGet(port, "/v1/codes/1000001");
  QCOMPARE(reply.status, 200);
  QCOMPARE(Body(reply)["results"][0]["town"].get<std::string>(), std::string("千代田"));
  QCOMPARE(Body(HttpGet(port, "/v1/edition"))["id"].get<std::string>(), std::string("a"));
  // It is tried again at each request: with its file back, it comes into use.
  QVERIFY(WriteEdition(data, "b", EditionB(), "2026-05-29"));
  QCOMPARE(Body(HttpGet(port, "/v1/edition"))["id"].get<std::string>(), std::string("b"));
}

// An edition's name may hold any character a file name can: the ETag stays one quoted token,
// and the metrics line that names the edition stays one well-formed line, however long the name.
void TestServe::editionOfAnyName() {
  OwnService own;
  QVERIFY(own.started());
  const std::string name = "b \"2\" \\\"3\"\n" + std::string(220, 'x');
  QVERIFY(WriteEdition(own.data, name, EditionB(), "2026-05-29") && UseEdition(own.data, name));
  HttpReply edition = HttpGet(own.running.port, "/v1/edition");
  QCOMPARE(Body(edition)["id"].get<std::string>(), name);
  const std::string etag = edition.headers["etag"];
  QVERIFY2(
      etag.size() > 2 && etag.front() == '"' && etag.back() == '"' && etag.find_first_of("\" \\", 1) == etag.size() - 1,
      etag.c_str());
  const std::string metrics = HttpGet(own.running.port, "/metrics").body;
  const std::size_t start = metrics.find("\ntanzel_edition_info{id=\"");
  QVERIFY(start != std::string::npos);
  const std::string line = metrics.substr(start + 1, metrics.find('\n', start + 1) - start - 1);
  QVERIFY2(line.size() > 4 && line.substr(line.size() - 4) == "\"} 1", line.c_str());
  // The label's value ends at its first quote that no backslash escapes.
  std::size_t end = line.find('"') + 1;
  while (line[end] != '"') end += line[end] == '\\' ? 2 : 1;
  QVERIFY2(line.compare(end, 8, "\",date=\"") == 0, line.c_str());
}

QTEST_GUILESS_MAIN(TestServe)
#include "tst_serve.moc"
