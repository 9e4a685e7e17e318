// DataSet: a reader that holds one keeps reading its edition while an update switches
// `current`; the next one opened reads the new edition.

#include <QtTest>

#include <vector>

#include "core/data/DataSet.h"
#include "core/resolve/AddressIndex.h"
#include "core/search/SearchEngine.h"
#include "support/DataLines.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

// Two editions of `data`, "a" in use: 千代田 (1000001) of 2026-04-30, then 皇居外苑
// (1000002) of 2026-05-29.
bool WriteTwoEditions(const std::string& data) {
  return WriteEdition(data, "a", KenCsv(13101, "1000001", "チヨダク", "チヨダ", "千代田区", "千代田"), "2026-04-30") &&
         WriteEdition(data, "b", KenCsv(13101, "1000002", "チヨダク", "コウキョガイエン", "千代田区", "皇居外苑"),
                      "2026-05-29") &&
         UseEdition(data, "a");
}

}  // namespace

class TestDataSet : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void outlivesASwitch();
  void searchFinishesOnItsEdition();
  void removedList_data();
  void removedList();
  void plainFolder();
  void removedListSize();
};

void TestDataSet::outlivesASwitch() {
  TempData dir;
  const std::string data = dir.folder();
  QVERIFY(WriteTwoEditions(data));
  QVERIFY(dir.write("editions/b/REMOVED", "2026-05-29\n1000001\n"));

  std::shared_ptr<const DataSet> old = DataSet::Open(data);
  QVERIFY(UseEdition(data, "b"));
  QVERIFY(old->Outdated());
  // Built after the switch, the old set's index is still that of its own edition.
  std::string error;
  std::shared_ptr<const AddressIndex> index = old->Index(error);
  QVERIFY2(index, error.c_str());
  std::vector<uint32_t> towns, offices;
  index->ByPostalCode(1000001, towns, offices);
  QCOMPARE(towns.size(), std::size_t(1));
  QCOMPARE(old->EditionId(), std::string("a"));
  QCOMPARE(old->Edition()->date, std::string("2026-04-30"));
  QVERIFY(!old->Removed("1000001"));

  std::shared_ptr<const DataSet> now = DataSet::Open(data);
  QVERIFY(!now->Outdated());
  QCOMPARE(now->EditionId(), std::string("b"));
  QVERIFY(now->Removed("1000001"));
  towns.clear();
  now->Index(error)->ByPostalCode(1000001, towns, offices);
  QVERIFY(towns.empty());
  QCOMPARE(old->Index(error), index);  // built once, kept as long as the set
}

// A search that started on one edition reads every file of it, though `current` moves to
// another edition while it opens its first file.
void TestDataSet::searchFinishesOnItsEdition() {
  TempData dir;
  const std::string data = dir.folder();
  QVERIFY(WriteTwoEditions(data));
  bool switched = false;
  std::shared_ptr<const DataSet> set = DataSet::Open(data, [&](const char*) {
    if (!switched) switched = UseEdition(data, "b");
  });
  struct Towns : SearchSink {
    void Row(int, const ResultRow& row) override { codes.emplace_back(row.Cell(0)); }
    std::vector<std::string> codes;
  } found;
  SearchParams params;
  params.keyword = S("千代田");
  std::atomic<int32_t> hits{0};
  std::atomic<uint8_t> cancel{0};
  auto scratch = std::make_unique<SearchScratch>();
  RunKeywordSearch(KeywordSearch(params), *set, *scratch, hits, cancel, found);
  QVERIFY(switched);
  QVERIFY(set->Outdated());
  QCOMPARE(found.codes, std::vector<std::string>{"100-0001"});
}

// A REMOVED file counts only for the edition of its date (its first line).
void TestDataSet::removedList_data() {
  Columns<QString, bool>("removed", "listed");  // the file ("" none); whether 1000001 is removed
  Row("the edition's date", "2026-05-29\n1000002\n1000001\n", true);
  Row("the edition's date, no last break", "2026-05-29\n1000001", true);
  Row("another date", "2026-04-30\n1000001\n", false);
  Row("a date it starts with", "2026-05-2\n1000001\n", false);
  Row("no date", "1000001\n", false);
  Row("another code", "2026-05-29\n1000002\n", false);
  Row("no file", "", false);
}

void TestDataSet::removedList() {
  QFETCH(QString, removed);
  QFETCH(bool, listed);
  TempData dir;
  const std::string data = dir.folder();
  QVERIFY(WriteTwoEditions(data));
  QVERIFY(UseEdition(data, "b"));
  if (!removed.isEmpty()) QVERIFY(dir.write("editions/b/REMOVED", removed.toStdString()));
  QCOMPARE(DataSet::Open(data)->Removed("1000001"), listed);
}

// A data folder laid out by hand (its files, no editions) is read as it is, with no edition id.
void TestDataSet::plainFolder() {
  TempData dir;
  dir.writeEmptyPrefectures();
  QVERIFY(dir.write(KenName(13), KenCsv(13101, "1000001", "チヨダク", "チヨダ", "千代田区", "千代田")));
  QVERIFY(dir.write("EDITION", "2026-04-30\n"));
  QVERIFY(dir.write("REMOVED", "2026-04-30\n1000002\n"));
  std::shared_ptr<const DataSet> set = DataSet::Open(dir.folder());
  QCOMPARE(set->EditionId(), std::string());
  QVERIFY(!set->Outdated());
  QVERIFY(set->Removed("1000002"));
  std::string error;
  QVERIFY2(set->Index(error), error.c_str());
}

// A REMOVED file of 16 MiB is read; one byte more and it is not (a file that size is no
// list of codes).
void TestDataSet::removedListSize() {
  TempData dir;
  const std::string data = dir.folder();
  QVERIFY(WriteTwoEditions(data));
  QVERIFY(UseEdition(data, "b"));
  const std::string head = "2026-05-29\n1000001\n";
  for (std::size_t extra : {0, 1}) {
    std::string text = head + std::string((16u << 20) - head.size() + extra, '\n');
    QVERIFY(dir.write("editions/b/REMOVED", text));
    QCOMPARE(DataSet::Open(data)->Removed("1000001"), extra == 0);
  }
}

QTEST_APPLESS_MAIN(TestDataSet)
#include "tst_dataset.moc"
