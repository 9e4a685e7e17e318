// The importer on Japan Post's real archives ($TANZEL_JAPANPOST_DIR): both address
// archives give the same files, the program's own reader takes every file line by line in
// the order the browse lists expect and reads every record the archives hold (read with
// libzip alone), and the 2026-05-29 edition gives its known counts.
#include <QCryptographicHash>
#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <zip.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/data/DataFile.h"
#include "core/data/Loaders.h"
#include "core/import/Importer.h"
#include "support/Sjis.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

long CountLines(const std::string& bytes) {
  return static_cast<long>(std::count(bytes.begin(), bytes.end(), '\n'));
}

// The one entry of an archive, read with libzip alone; empty when it cannot be read.
std::string Unzipped(const std::string& archive) {
  int err = 0;
  zip_t* z = zip_open(archive.c_str(), ZIP_RDONLY, &err);
  if (z == nullptr) return {};
  std::string bytes;
  zip_stat_t st;
  zip_file_t* f = zip_stat_index(z, 0, 0, &st) == 0 ? zip_fopen_index(z, 0, 0) : nullptr;
  if (f != nullptr) {
    bytes.resize(static_cast<std::size_t>(st.size));
    zip_int64_t n = zip_fread(f, bytes.data(), st.size);
    bytes.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    zip_fclose(f);
  }
  zip_discard(z);
  return bytes;
}

// The first `n` columns of a CSV line, quotes removed (a quoted column may hold commas).
std::vector<std::string> Columns(const std::string& line, int n) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      if (static_cast<int>(out.size()) == n) break;
      out.emplace_back();
    } else if (c != '\r') {
      out.back() += c;
    }
  }
  out.resize(static_cast<std::size_t>(n));
  return out;
}

// The edition whose counts the tests know: the archives downloaded on 2026-05-29.
bool IsKnownEdition(const std::string& archives) {
  return FileSha256(archives + "ken_all.zip") == "636d223d5038d2333def34502352872368e3bbd88b19e8fe62ef2b0805f0192b" &&
         FileSha256(archives + "utf_ken_all.zip") ==
             "0f10390c1cb4612af61469ac3c6b7be1d6cbcc290b3b29220a2264721476628c" &&
         FileSha256(archives + "jigyosyo.zip") == "be3a3e10caff39b7f572380e5349439fbd7acfd07df3398888f68b0e43962d19";
}

}  // namespace

class TestImporterRealData : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase();
  void bothAddressArchivesGiveSameFiles();
  void counts();
  void tokyoLine();
  void programReadsEveryLineInBrowseOrder();
  void loadersReadWhatTheArchivesHold();

 private:
  std::string archives_;
  std::string kenArchive_;  // the address archive imported
  bool knownEdition_ = false;
  std::unique_ptr<TempData> fromKenAll_;
  ImportSummary summary_;
};

void TestImporterRealData::initTestCase() {
  const char* dir = std::getenv("TANZEL_JAPANPOST_DIR");
  if (dir == nullptr || *dir == '\0') QSKIP("TANZEL_JAPANPOST_DIR is not set: no real archives to import");
  archives_ = std::string(dir) + "/";
  std::string ken = archives_ + (Exists(archives_ + "ken_all.zip") ? "ken_all.zip" : "utf_ken_all.zip");
  kenArchive_ = ken;
  if (!Exists(ken) || !Exists(archives_ + "jigyosyo.zip")) QSKIP("no Japan Post archives in TANZEL_JAPANPOST_DIR");
  knownEdition_ = IsKnownEdition(archives_);
  fromKenAll_ = std::make_unique<TempData>();
  std::string error;
  QVERIFY2(RunImport({ken, archives_ + "jigyosyo.zip", fromKenAll_->folder()}, summary_, error), error.c_str());
  QCOMPARE(summary_.filesWritten, 94);
}

void TestImporterRealData::bothAddressArchivesGiveSameFiles() {
  if (!Exists(archives_ + "ken_all.zip") || !Exists(archives_ + "utf_ken_all.zip")) {
    QSKIP("needs both ken_all.zip and utf_ken_all.zip");
  }
  TempData fromUtf;
  ImportSummary utf;
  std::string error;
  QVERIFY2(RunImport({archives_ + "utf_ken_all.zip", "", fromUtf.folder()}, utf, error), error.c_str());
  QVERIFY(utf.ken.utf8);
  QVERIFY(!summary_.ken.utf8);
  QCOMPARE(utf.ken.records, summary_.ken.records);
  QCOMPARE(utf.ken.overCapacity, summary_.ken.overCapacity);
  for (int p = 1; p <= PrefectureCount; ++p) {
    std::string a = FileBytes(fromKenAll_->path(KenName(p)));
    std::string b = FileBytes(fromUtf.path(KenName(p)));
    QVERIFY2(!a.empty(), KenName(p).c_str());
    QVERIFY2(a == b, KenName(p).c_str());
  }
}

void TestImporterRealData::counts() {
  if (!knownEdition_) QSKIP("the archives are not the 2026-05-29 edition whose counts are known");
  QCOMPARE(summary_.ken.sourceLines, 124825L);
  QCOMPARE(summary_.ken.records, 124511L);
  QCOMPARE(summary_.jig.records, 22416L);
  long ken = 0;
  long jig = 0;
  int files = 0;
  for (int p = 1; p <= PrefectureCount; ++p) {
    files += Exists(fromKenAll_->path(KenName(p))) + Exists(fromKenAll_->path(JigName(p)));
    ken += CountLines(FileBytes(fromKenAll_->path(KenName(p))));
    jig += CountLines(FileBytes(fromKenAll_->path(JigName(p))));
  }
  QCOMPARE(files, 94);
  QCOMPARE(ken, 124511L);
  QCOMPARE(jig, 22416L);
  QCOMPARE(CountLines(FileBytes(fromKenAll_->path("KEN01.CSV"))), 8190L);
}

void TestImporterRealData::tokyoLine() {
  if (!knownEdition_) QSKIP("the archives are not the 2026-05-29 edition whose counts are known");
  std::string tokyo = FileBytes(fromKenAll_->path("KEN13.CSV"));
  std::string line =
      S("13101,\"100  \",\"1000001\",\"トウキョウト\",\"チヨダク\",\"チヨダ\",\"東京都\",\"千代田区\",\"千代田\","
        "0,0,0,0,0,0\r\n");
  auto at = tokyo.find(line);
  QVERIFY(at != std::string::npos);
  QVERIFY(at == 0 || tokyo[at - 1] == '\n');
}

void TestImporterRealData::programReadsEveryLineInBrowseOrder() {
  const std::string catchAll = S("以下に掲載がない場合");
  auto record = std::make_unique<KenRecord>();
  auto office = std::make_unique<JigRecord>();
  for (int p = 1; p <= PrefectureCount; ++p) {
    for (bool isKen : {true, false}) {
      std::string path = fromKenAll_->path(isKen ? KenName(p) : JigName(p));
      LineReader reader;
      QVERIFY(reader.Open(path.c_str()));
      LineBuffer line;
      int count = 0;
      int32_t lastCode = -1;
      std::string lastCityKana;
      std::string lastKana;
      bool townsStarted = false;
      for (int n; (n = reader.ReadLine(line)) > 0;) {
        ++count;
        QVERIFY2(n >= 2 && line[n - 1] == '\n' && line[n - 2] == '\r', path.c_str());  // never cut, CR LF
        int32_t code = 0;
        std::string postal;
        std::string kana;
        if (isKen) {
          SplitKen(line, *record);
          code = record->LocalGovCode;
          postal = record->PostalCode;
          kana = record->TownKana;
          // Cities stand together, in order of their kana; in a city the catch-all first.
          std::string cityKana = record->CityKana;
          if (code != lastCode) {
            QVERIFY2(lastCode < 0 || lastCityKana <= cityKana, path.c_str());
            lastCode = code;
            lastCityKana = cityKana;
            lastKana.clear();
            townsStarted = false;
          }
          bool isCatchAll = catchAll == record->TownKanji;
          QVERIFY2(!(isCatchAll && townsStarted), path.c_str());
          if (!isCatchAll) {
            // Town kana longer than the field are cut by the reader; compare what it keeps.
            QVERIFY2(!townsStarted || lastKana.compare(0, kana.size(), kana) <= 0 || lastKana <= kana, path.c_str());
            townsStarted = true;
            lastKana = kana;
          }
        } else {
          SplitJig(line, *office);
          code = office->LocalGovCode;
          postal = office->PostalCode;
          kana = office->OfficeKana;
          QVERIFY2(count == 1 || lastKana.compare(0, kana.size(), kana) <= 0 || lastKana <= kana, path.c_str());
          lastKana = kana;
        }
        QCOMPARE(code / 1000, p);
        QCOMPARE(postal.size(), std::size_t{7});
      }
      QVERIFY2(count > 0 && count <= TableCapacity, path.c_str());
    }
  }
}

// What the program's loaders read of the import is what the archives hold, read here with
// libzip alone: per prefecture, the same set of (code, postal code) of the addresses (split
// lines share theirs) and the same offices, one for one.
void TestImporterRealData::loadersReadWhatTheArchivesHold() {
  using Key = std::pair<int, std::string>;
  std::multiset<Key> archiveKen[PrefectureCount + 1], archiveJig[PrefectureCount + 1];
  for (const auto& [archive, postalColumn] : {std::pair{kenArchive_, 3}, std::pair{archives_ + "jigyosyo.zip", 8}}) {
    const std::string csv = Unzipped(archive);
    QVERIFY2(!csv.empty(), archive.c_str());
    auto* into = postalColumn == 3 ? archiveKen : archiveJig;
    std::size_t at = 0;
    while (at < csv.size()) {
      std::size_t lf = csv.find('\n', at);
      if (lf == std::string::npos) lf = csv.size();
      std::vector<std::string> columns = Columns(csv.substr(at, lf - at), postalColumn);
      at = lf + 1;
      const int code = std::atoi(columns[0].c_str());
      QVERIFY2(code / 1000 >= 1 && code / 1000 <= PrefectureCount, columns[0].c_str());
      into[code / 1000].insert({code, columns[postalColumn - 1]});
    }
  }
  auto ken = std::make_unique<KenRecord[]>(TableCapacity);
  auto jig = std::make_unique<JigRecord[]>(TableCapacity);
  for (int p = 1; p <= PrefectureCount; ++p) {
    LoadResult k = LoadKenFile(fromKenAll_->folder().c_str(), p, ken.get());
    LoadResult j = LoadJigFile(fromKenAll_->folder().c_str(), p, jig.get());
    QCOMPARE(int(k.notice), int(LoadNotice::None));
    QCOMPARE(int(j.notice), int(LoadNotice::None));
    std::set<Key> loadedKen, wantedKen(archiveKen[p].begin(), archiveKen[p].end());
    std::multiset<Key> loadedJig;
    for (int i = 0; i < k.count; ++i) loadedKen.insert({ken[i].LocalGovCode, ken[i].PostalCode});
    for (int i = 0; i < j.count; ++i) loadedJig.insert({jig[i].LocalGovCode, jig[i].PostalCode});
    QVERIFY2(loadedKen == wantedKen, KenName(p).c_str());
    QVERIFY2(loadedJig == archiveJig[p], JigName(p).c_str());
  }
}

QTEST_GUILESS_MAIN(TestImporterRealData)
#include "tst_importer_realdata.moc"
