// /v1/codes and the result window agree on every address of the real data: for each code,
// the prefecture, city and town without notes of the service's answers are the window's
// plain addresses (and readings) of the records that hold the code.
#include <QtTest>

#include <algorithm>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/browse/BrowseText.h"
#include "core/data/DataFile.h"
#include "core/data/DataSet.h"
#include "core/data/Loaders.h"
#include "core/data/PostalText.h"
#include "core/text/SjisText.h"
#include "serve/Service.h"

using namespace tanzel;
using Json = nlohmann::json;

class TestCodesRealData : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void townWithoutNotesIsTheWindowsPlainAddress() {
    const QString folder = qEnvironmentVariable("TANZEL_TEST_DATA");
    if (!QFile::exists(folder + QStringLiteral("/KEN13.CSV"))) QSKIP("no imported data files");
    std::shared_ptr<const DataSet> set = DataSet::Open(folder.toStdString() + "/");
    // Per code: the window's plain address and plain reading of each of its records (UTF-8).
    std::map<uint32_t, std::vector<std::string>> window;
    std::unique_ptr<KenRecord[]> table(new KenRecord[TableCapacity]());
    for (int pref = 1; pref <= PrefectureCount; ++pref) {
      LoadResult loaded = LoadKenFile(set->EditionFolder().c_str(), pref, table.get());
      QVERIFY2(loaded.count > 0, "a prefecture's data file did not load");
      for (int i = 0; i < loaded.count; ++i) {
        ResultText shown = AddressResult(table[i]);
        window[static_cast<uint32_t>(std::stoul(table[i].PostalCode))].push_back(SjisToUtf8(shown.PlainAddress) + "\t" +
                                                                                 SjisToUtf8(shown.PlainKana));
      }
    }
    QVERIFY(window.size() > 100000);
    Service service(ServiceOptions{set->Folder(), {}});
    QVERIFY(service.Ready());
    int differing = 0;
    QString first;
    for (auto& [postal, plain] : window) {
      const std::string path = "/v1/codes/" + PostalDigits(postal);
      Request request;
      request.method = "GET";
      request.path = path;
      request.targetBytes = path.size();
      const Response response = service.Handle(request);
      QCOMPARE(response.status, 200);
      std::vector<std::string> served;
      const Json answer = Json::parse(response.body);
      for (const Json& r : answer.at("results")) {
        if (!r.at("office").is_null()) continue;
        served.push_back(r.at("prefecture").get<std::string>() + r.at("city").get<std::string>() +
                         r.at("townWithoutNote").get<std::string>() + "\t" + r.at("prefectureKana").get<std::string>() +
                         r.at("cityKana").get<std::string>() + r.at("townKanaWithoutNote").get<std::string>());
      }
      std::sort(plain.begin(), plain.end());
      std::sort(served.begin(), served.end());
      if (served != plain && differing++ == 0) {
        first = QString::fromStdString(PostalDigits(postal) + ": window " + plain.front() + ", /v1/codes " +
                                       (served.empty() ? std::string("nothing") : served.front()));
      }
    }
    QVERIFY2(differing == 0, qPrintable(QString::number(differing) + QStringLiteral(" codes differ, first ") + first));
  }
};

QTEST_GUILESS_MAIN(TestCodesRealData)
#include "tst_codes_realdata.moc"
