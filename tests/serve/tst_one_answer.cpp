// One address, one answer: a table of addresses run through every front end over the real
// data. The keyword search as the search window's thread runs it, tanzel-search KEYWORD,
// tanzel-search --resolve (its columns and --json), /v1/search, /v1/resolve (one address and a
// text batch) and a row of a list (tanzel-search --resolve --csv) must give the same code and
// certainty as /v1/resolve gives for it. The batches end their lines in CR alone.
#include <QtTest>

#include <QRegularExpression>
#include <QUrl>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/data/DataSet.h"
#include "core/lists/Csv.h"
#include "core/search/SearchWorker.h"
#include "core/text/SjisText.h"
#include "serve/HttpServer.h"
#include "serve/Service.h"
#include "support/HttpClient.h"
#include "support/Process.h"
#include "support/TempData.h"

using namespace tanzel;
using Json = nlohmann::json;

namespace {

// Addresses as people paste them into the keyword box or write them in a list: down to their
// block with or without their city, with words after them, and ones that find nothing as typed.
const std::vector<std::string> kAddresses = {
    "丸の内1-9-1 グラントウキョウノースタワー 35F",
    "丸の内2-4-1 丸ビル 20F",
    "丸の内1-9-1",
    "東京都千代田区丸の内一丁目九番一号",
    "大阪市北区梅田3-1-3",
    "千代田区霞が関1-1",
    "札幌市中央区北1条西2丁目1-1",
    "京都市上京区烏丸通今出川上る今出川町",
    "東京都千代田区存在しない町1-1",
    "本町1",
    "存在しない町99-99",
};

// An answer as "certainty code": the one code, or an ambiguous answer's first candidate;
// no code when nothing was found. Codes in 7 digits.
QString Answer(const std::string& certainty, std::string code) {
  code.erase(std::remove(code.begin(), code.end(), '-'), code.end());
  return QString::fromStdString(certainty + " " + code);
}

// The answer of /v1/resolve's object for one address (the one the others are held to).
QString Answer(const Json& resolved) {
  std::string certainty = resolved.at("certainty").get<std::string>();
  if (resolved.at("code").is_string()) return Answer(certainty, resolved.at("code").get<std::string>());
  const Json& candidates = resolved.at("candidates");
  return Answer(certainty, candidates.empty() ? std::string() : candidates[0].at("code").get<std::string>());
}

// What the search window's thread hands on: the address pass's certainty and first row.
class AnswerSink : public SearchWorkerSink {
 public:
  void Row(int, const ResultRow& row) override {
    if (address_ && code.empty()) code = SjisToUtf8(row.Cell(0));
  }
  void PassStarted(SearchPass pass, std::string_view) override { address_ = pass == SearchPass::Address; }
  void Answered(Certainty sure, MatchKind) override { certainty = CertaintyWord(sure); }
  void Notice(SearchNotice) override {}
  void FocusRequest() override {}

  std::string certainty = "not-found";
  std::string code;

 private:
  bool address_ = false;
};

// The JSON answer of the service on `port` to a request.
Json Ask(int port, const char* method, const std::string& target, std::string_view body = {}) {
  return Json::parse(HttpSend(port, HttpRequest(method, target, "Content-Type: text/plain\r\n", body)).body, nullptr,
                     false);
}

std::string Query(const std::string& utf8) {
  return QUrl::toPercentEncoding(QString::fromStdString(utf8)).toStdString();
}

// The addresses one a line, each line ended by `end`.
std::string Lines(const char* end) {
  std::string text;
  for (const std::string& a : kAddresses) text += a + end;
  return text;
}

}  // namespace

class TestOneAnswer : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Starts the service and runs the batches once: POST /v1/resolve, --resolve --json and its
  // columns, a list.
  void initTestCase() {
    folder_ = qEnvironmentVariable("TANZEL_TEST_DATA");
    if (!QFile::exists(folder_ + QStringLiteral("/KEN13.CSV"))) QSKIP("no imported data files");
    set_ = DataSet::Open(folder_.toStdString() + "/");
    service_ = std::make_unique<Service>(ServiceOptions{set_->Folder(), {}});
    QVERIFY(service_->Ready());
    server_ = std::make_unique<HttpServer>(*service_);
    ListenOptions listen;
    listen.port = 0;
    listen.threads = 2;
    std::string error;
    QVERIFY2(server_->Start(listen, error), error.c_str());
    port_ = server_->Port();

    batch_ = Ask(port_, "POST", "/v1/resolve", Lines("\r"))["results"];
    QCOMPARE(batch_.size(), kAddresses.size());
    json_ = Search({QStringLiteral("--resolve"), QStringLiteral("--json")}, Lines("\r")).split(QLatin1Char('\n'));
    columns_ = Search({QStringLiteral("--resolve")}, Lines("\r\n")).split(QLatin1Char('\n'));
    std::string list = "住所\r";
    for (const std::string& a : kAddresses) AppendCsvField(list, a, ','), list += '\r';
    listOut_ = RunProcess(QStringLiteral(TANZEL_SEARCH_EXE),
                          WithData({QStringLiteral("--resolve"), QStringLiteral("--words"), QStringLiteral("en"),
                                    QStringLiteral("--csv"), QString::fromStdString(Write("list.csv", list))}))
                   .out.toStdString();
    CsvReader reader(listOut_, ',');
    for (std::vector<std::string> row; reader.Next(row);) list_.push_back(row);
    QCOMPARE(list_.size(), kAddresses.size() + 1);
    worker_ = std::make_unique<SearchWorker>(sink_);
  }

  void everyFrontEnd_data() {
    QTest::addColumn<int>("index");
    for (std::size_t i = 0; i < kAddresses.size(); ++i) QTest::newRow(kAddresses[i].c_str()) << int(i);
  }
  void everyFrontEnd() {
    QFETCH(int, index);
    const std::string& address = kAddresses[std::size_t(index)];
    const QString expected = Answer(Ask(port_, "GET", "/v1/resolve?address=" + Query(address)));
    found_ += !expected.startsWith(QStringLiteral("not-found"));
    // The text batch and --resolve --json, line by line.
    QCOMPARE(Answer(batch_[std::size_t(index)]), expected);
    QCOMPARE(Answer(Json::parse(json_.value(index).toStdString(), nullptr, false)), expected);
    // --resolve's columns: the code, or "ambiguous" and the first candidate.
    QStringList cells = columns_.value(index).split(QLatin1Char('\t'));
    QString code = cells.value(2) == QStringLiteral("ambiguous") ? cells.value(3) : cells.value(0);
    QCOMPARE(code, expected.section(QLatin1Char(' '), 1));

    // The search window's thread.
    sink_.certainty = "not-found";
    sink_.code.clear();
    SearchParams params;
    params.keyword = *Utf8ToSjis(address);
    QVERIFY(worker_->Start(params, set_));
    QTRY_VERIFY_WITH_TIMEOUT(worker_->IsWaiting(), 30000);
    QCOMPARE(Answer(sink_.certainty, sink_.code), expected);

    // tanzel-search KEYWORD: the certainty on standard error, the rows on standard output.
    ProcessResult keyword = RunProcess(QStringLiteral(TANZEL_SEARCH_EXE), WithData({QString::fromStdString(address)}));
    static const QRegularExpression said(QStringLiteral("read as an address \\(([a-z-]+),"));
    QRegularExpressionMatch m = said.match(keyword.err);
    QString first = m.hasMatch() ? keyword.out.section(QLatin1Char('\t'), 0, 0) : QString();
    QCOMPARE(Answer(m.hasMatch() ? m.captured(1).toStdString() : "not-found", first.toStdString()), expected);

    // /v1/search: the address pass's certainty and first row.
    Json searched = Ask(port_, "GET", "/v1/search?q=" + Query(address));
    bool byAddress = searched["pass"] == "address";
    QCOMPARE(Answer(byAddress ? searched["certainty"].get<std::string>() : "not-found",
                    byAddress ? searched["results"][0]["code"].get<std::string>() : ""),
             expected);

    // A list row: its certainty, and its code where it has one.
    const std::vector<std::string>& header = list_.front();
    const auto column = [&](const char* name) {
      return std::size_t(std::find(header.begin(), header.end(), name) - header.begin());
    };
    const std::vector<std::string>& row = list_.at(std::size_t(index) + 1);
    const std::string certainty = row.at(column("確度"));
    QCOMPARE(QString::fromStdString(certainty), expected.section(QLatin1Char(' '), 0, 0));
    if (!expected.startsWith(QStringLiteral("ambiguous")))
      QCOMPARE(Answer(certainty, row.at(column("郵便番号（検索結果）"))), expected);
  }

  // Not a table of misses agreeing on nothing.
  void mostAreFound() { QVERIFY(found_ >= 8); }

 private:
  QStringList WithData(const QStringList& args) const { return QStringList{QStringLiteral("--data"), folder_} + args; }

  // Writes `bytes` to the file `name` of the test's folder; returns its path.
  std::string Write(const std::string& name, const std::string& bytes) {
    return dir_.write(name, bytes) ? dir_.path(name) : std::string();
  }

  // What tanzel-search prints with `args`, `input` on its standard input.
  QString Search(const QStringList& args, const std::string& input) {
    return RunProcessWithInput(QStringLiteral(TANZEL_SEARCH_EXE), WithData(args), Write("input", input)).out;
  }

  QString folder_;
  TempData dir_;
  std::shared_ptr<const DataSet> set_;
  std::unique_ptr<Service> service_;
  std::unique_ptr<HttpServer> server_;
  int port_ = 0;
  Json batch_;
  QStringList json_, columns_;
  std::string listOut_;
  std::vector<std::vector<std::string>> list_;
  AnswerSink sink_;
  std::unique_ptr<SearchWorker> worker_;  // after the sink it hands on to
  int found_ = 0;
};

QTEST_GUILESS_MAIN(TestOneAnswer)
#include "tst_one_answer.moc"
