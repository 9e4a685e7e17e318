// The importer on Japan Post's real archives ($TANZEL_JAPANPOST_DIR): both address
// archives give the same files, the program's own reader takes every file line by line in
// the order the browse lists expect, and the 2026-05-29 edition gives its known counts.
#include <QCryptographicHash>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "core/data/DataFile.h"
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

QByteArray Sha256(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(&f);
  return hash.result().toHex();
}

// The edition whose counts the tests know: the archives downloaded on 2026-05-29.
bool IsKnownEdition(const std::string& archives) {
  return Sha256(archives + "ken_all.zip") == "636d223d5038d2333def34502352872368e3bbd88b19e8fe62ef2b0805f0192b" &&
         Sha256(archives + "utf_ken_all.zip") == "0f10390c1cb4612af61469ac3c6b7be1d6cbcc290b3b29220a2264721476628c" &&
         Sha256(archives + "jigyosyo.zip") == "be3a3e10caff39b7f572380e5349439fbd7acfd07df3398888f68b0e43962d19";
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
  void installedDataIsCurrentImport();

 private:
  std::string archives_;
  bool knownEdition_ = false;
  std::unique_ptr<TempData> fromKenAll_;
  ImportSummary summary_;
};

void TestImporterRealData::initTestCase() {
  const char* dir = std::getenv("TANZEL_JAPANPOST_DIR");
  if (dir == nullptr || *dir == '\0') QSKIP("TANZEL_JAPANPOST_DIR is not set: no real archives to import");
  archives_ = std::string(dir) + "/";
  std::string ken = archives_ + (Exists(archives_ + "ken_all.zip") ? "ken_all.zip" : "utf_ken_all.zip");
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

void TestImporterRealData::installedDataIsCurrentImport() {
  // scripts/import-data.sh imports into the build's bin folder before the tests run.
  const char* bin = std::getenv("TANZEL_TEST_DATA");
  if (bin == nullptr || !Exists(std::string(bin) + "/KEN13.CSV")) QSKIP("no imported data in TANZEL_TEST_DATA");
  for (int p = 1; p <= PrefectureCount; ++p) {
    QVERIFY2(FileBytes(std::string(bin) + "/" + KenName(p)) == FileBytes(fromKenAll_->path(KenName(p))),
             KenName(p).c_str());
    QVERIFY2(FileBytes(std::string(bin) + "/" + JigName(p)) == FileBytes(fromKenAll_->path(JigName(p))),
             JigName(p).c_str());
  }
}

QTEST_GUILESS_MAIN(TestImporterRealData)
#include "tst_importer_realdata.moc"
