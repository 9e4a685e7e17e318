#include "lists/ListMaker.h"

#include <cstdio>
#include <random>

#include "core/lists/Csv.h"
#include "core/lists/ListText.h"
#include "core/text/SjisText.h"

namespace bench {

using tanzel::AddressIndex;

namespace {

std::string Sjis(const char* utf8) {
  return tanzel::Utf8ToSjis(utf8).value();
}

}  // namespace

std::string MakeCustomerList(const AddressIndex& index, std::size_t rows) {
  std::mt19937 random(20261209);
  const std::string names[] = {Sjis("山田 太郎"), Sjis("佐藤, 花子"), Sjis("鈴木 一郎"), Sjis("株式会社\"テスト\"")};
  const std::string blocks[] = {"1-2-3", Sjis("２丁目５番１４号"), Sjis("１２番地"), "3-7", Sjis("四丁目1番")};
  const std::string buildings[] = {"", "", "", Sjis("コーポ山田 201"), Sjis("第二ビル５階")};
  std::string out;
  std::vector<std::string> fields = {Sjis("顧客番号"), Sjis("氏名"), Sjis("郵便番号"), Sjis("住所"), Sjis("建物")};
  tanzel::AppendCsvRecord(out, fields, ',');
  const auto& towns = index.Towns();
  const auto& offices = index.Offices();
  for (std::size_t i = 0; i < rows; ++i) {
    uint32_t postal = 0;
    std::string address;
    if (i % 10 == 9 && !offices.empty()) {
      const AddressIndex::Office& o = offices[random() % offices.size()];
      if (o.city == AddressIndex::kNoCity) continue;
      const AddressIndex::City& c = index.Cities()[o.city];
      uint32_t town = o.fields + o.lengths[0] + o.lengths[1];
      address = std::string(index.PrefKanji(c.pref)) + std::string(index.Text(c.kanji, c.kanjiLength)) +
                std::string(index.Text(town, o.lengths[2] + o.lengths[3]));
      postal = o.postal;
    } else {
      const AddressIndex::Town& t = towns[random() % towns.size()];
      const AddressIndex::City& c = index.Cities()[t.city];
      std::string town(index.Text(t.kanji, t.kanjiLength));
      std::size_t paren = town.find("\x81\x69");  // （: the note is not part of an address
      if (paren != std::string::npos) town.resize(paren);
      if (town.find("\x88\xc8\x89\xba") == 0) town.clear();  // 以下に掲載がない場合
      address = std::string(index.PrefKanji(c.pref)) + std::string(index.Text(c.kanji, c.kanjiLength)) + town +
                blocks[random() % 5];
      postal = t.postal;
    }
    unsigned kind = random() % 20;
    std::string code = kind == 0 ? "" : tanzel::PostalText(kind == 1 ? (postal + 1) % 10000000 : postal);
    if (kind == 2) code.erase(3, 1);
    fields = {std::to_string(100000 + i), names[i % 4], code, address, buildings[random() % 5]};
    tanzel::AppendCsvRecord(out, fields, ',');
  }
  return out;
}

}  // namespace bench
