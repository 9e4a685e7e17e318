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

// Runs tanzel-search with `args`, `input` on its standard input.
ProcessResult Search(const QStringList& args, const std::string& input, const TempData& dir) {
  if (!dir.write("input", input)) return ProcessResult{-1, {}, {}};
  return RunProcessWithInput(QStringLiteral(TANZEL_SEARCH_EXE), args, dir.path("input"));
}

}  // namespace

class TestOneAnswer : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void everyFrontEnd() {
    QString folder = qEnvironmentVariable("TANZEL_TEST_DATA");
    if (!QFile::exists(folder + QStringLiteral("/KEN13.CSV"))) QSKIP("no imported data files");
    const std::string data = folder.toStdString() + "/";
    const QStringList withData{QStringLiteral("--data"), folder};
    Service service(ServiceOptions{data, {}});
    QVERIFY(service.Ready());
    HttpServer server(service);
    ListenOptions listen;
    listen.port = 0;
    listen.threads = 2;
    std::string error;
    QVERIFY2(server.Start(listen, error), error.c_str());
    const int port = server.Port();
    TempData dir;

    // The batches, each read once: POST /v1/resolve, --resolve --json and its columns, a list.
    Json batch = Ask(port, "POST", "/v1/resolve", Lines("\r"));
    QCOMPARE(batch["results"].size(), kAddresses.size());
    ProcessResult json =
        Search(withData + QStringList{QStringLiteral("--resolve"), QStringLiteral("--json")}, Lines("\r"), dir);
    QStringList jsonLines = json.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ProcessResult columns = Search(withData + QStringList{QStringLiteral("--resolve")}, Lines("\r\n"), dir);
    QStringList columnLines = columns.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    std::string list = "住所\r";
    for (const std::string& a : kAddresses) AppendCsvField(list, a, ','), list += '\r';
    QVERIFY(dir.write("list.csv", list));
    ProcessResult listed = RunProcess(QStringLiteral(TANZEL_SEARCH_EXE),
                                      withData + QStringList{QStringLiteral("--resolve"), QStringLiteral("--csv"),
                                                             QString::fromStdString(dir.path("list.csv"))});
    std::string listOut = listed.out.toStdString();
    CsvReader rows(listOut, ',');
    std::vector<std::string> fields;
    QVERIFY(rows.Next(fields));
    const auto column = [&](const char* name) {
      return std::find(fields.begin(), fields.end(), name) - fields.begin();
    };
    const std::size_t codeColumn = column("郵便番号"), certaintyColumn = column("確度");
    QVERIFY(certaintyColumn < fields.size());

    AnswerSink sink;
    SearchWorker worker(sink);
    std::shared_ptr<const DataSet> set = DataSet::Open(data);
    int found = 0;
    for (std::size_t i = 0; i < kAddresses.size(); ++i) {
      const std::string& address = kAddresses[i];
      const QString a = QString::fromStdString(address);
      const QString expected = Answer(Ask(port, "GET", "/v1/resolve?address=" + Query(address)));
      found += !expected.startsWith(QStringLiteral("not-found"));
      // The text batch and --resolve --json, line by line.
      QCOMPARE(Answer(batch["results"][i]), expected);
      QCOMPARE(Answer(Json::parse(jsonLines.value(int(i)).toStdString(), nullptr, false)), expected);
      // --resolve's columns: the code, or "ambiguous" and the first candidate.
      QStringList cells = columnLines.value(int(i)).split(QLatin1Char('\t'));
      QString code = cells.value(2) == QStringLiteral("ambiguous") ? cells.value(3) : cells.value(0);
      QCOMPARE(code, expected.section(QLatin1Char(' '), 1));

      // The search window's thread.
      sink.certainty = "not-found";
      sink.code.clear();
      SearchParams params;
      params.keyword = *Utf8ToSjis(address);
      QVERIFY(worker.Start(params, set));
      QTRY_VERIFY_WITH_TIMEOUT(worker.IsWaiting(), 30000);
      QCOMPARE(Answer(sink.certainty, sink.code), expected);

      // tanzel-search KEYWORD: the certainty on standard error, the rows on standard output.
      ProcessResult keyword = RunProcess(QStringLiteral(TANZEL_SEARCH_EXE), withData + QStringList{a});
      static const QRegularExpression said(QStringLiteral("read as an address \\(([a-z-]+),"));
      QRegularExpressionMatch m = said.match(keyword.err);
      QString first = m.hasMatch() ? keyword.out.section(QLatin1Char('\t'), 0, 0) : QString();
      QCOMPARE(Answer(m.hasMatch() ? m.captured(1).toStdString() : "not-found", first.toStdString()), expected);

      // /v1/search: the address pass's certainty and first row.
      Json searched = Ask(port, "GET", "/v1/search?q=" + Query(address));
      bool byAddress = searched["pass"] == "address";
      QCOMPARE(Answer(byAddress ? searched["certainty"].get<std::string>() : "not-found",
                      byAddress ? searched["results"][0]["code"].get<std::string>() : ""),
               expected);

      // A list row: its certainty, and its code where it has one.
      QVERIFY(rows.Next(fields));
      QCOMPARE(QString::fromStdString(fields.at(certaintyColumn)), expected.section(QLatin1Char(' '), 0, 0));
      if (!expected.startsWith(QStringLiteral("ambiguous")))
        QCOMPARE(Answer(fields.at(certaintyColumn), fields.at(codeColumn)), expected);
    }
    // Not a table of misses agreeing on nothing.
    QVERIFY(found >= 8);
  }
};

QTEST_GUILESS_MAIN(TestOneAnswer)
#include "tst_one_answer.moc"
