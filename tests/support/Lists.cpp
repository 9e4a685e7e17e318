#include "support/Lists.h"

#include "support/Archives.h"
#include "support/DataLines.h"
#include "support/TempData.h"

void WriteListData(const TempData& data) {
  data.writeEmptyPrefectures();
  auto ken = [](int code, const char* postal, const char* pref, const char* city, const char* town) {
    return KenLine(code, postal, "ア", "ア", "ア", pref, city, town);
  };
  data.write(KenName(13),
             ken(13101, "1000000", "東京都", "千代田区", "以下に掲載がない場合") +
                 ken(13101, "1000001", "東京都", "千代田区", "千代田") +
                 ken(13101, "1000005", "東京都", "千代田区", "丸の内（次のビルを除く）") +
                 ken(13101, "1006390", "東京都", "千代田区", "丸の内丸の内ビルディング（地階・階層不明）") +
                 ken(13101, "1006320", "東京都", "千代田区", "丸の内丸の内ビルディング（２０階）") +
                 ken(13206, "1830000", "東京都", "府中市", "以下に掲載がない場合") +
                 ken(13206, "1830022", "東京都", "府中市", "宮西町"));
  data.write(KenName(26), ken(26102, "6020000", "京都府", "京都市上京区", "以下に掲載がない場合") +
                              ken(26102, "6020033", "京都府", "京都市上京区", "今出川町（烏丸通今出川上る）") +
                              ken(26102, "6028031", "京都府", "京都市上京区", "今出川町（寺町通今出川下る）"));
  data.write(KenName(12), ken(12101, "2600000", "千葉県", "千葉市中央区", "以下に掲載がない場合") +
                              ken(12101, "2600012", "千葉県", "千葉市中央区", "本町") +
                              ken(12101, "2606090", "千葉県", "千葉市中央区", "本町テストビル（地階・階層不明）"));
  data.write(KenName(27), ken(27128, "5410000", "大阪府", "大阪市中央区", "以下に掲載がない場合") +
                              ken(27128, "5410053", "大阪府", "大阪市中央区", "本町"));
  data.write(JigName(13),
             JigLine(13101, "テストショウジ", "テスト商事", "東京都", "千代田区", "丸の内", "２－４－１", "1008799"));
  data.write(JigName(12),
             JigLine(12101, "テストギンコウ", "テスト銀行", "千葉県", "千葉市中央区", "本町", "３－３", "2608799"));
}

std::string ListAddress(int row) {
  static const char* const kAddresses[] = {"東京都府中市宮西町1-1", "東京都千代田区無名町9",
                                           "京都府京都市上京区今出川町", "どこにもない所"};
  return kAddresses[row % 4];
}

std::string ListCsv(int rows) {
  std::string out = "氏名,郵便番号,住所\r\n";
  for (int i = 0; i < rows; ++i) {
    std::string name = "客" + std::to_string(i);
    if (i % 5 == 0) name = "\"" + name + ", \"\"様\"\"\"";
    std::string code = i % 4 != 0 ? "" : i % 8 == 4 ? "100-0001" : "183-0022";
    out += name + "," + code + "," + ListAddress(i) + "\r\n";
  }
  return out;
}

bool WriteWorkbookFile(const std::string& path, const std::string& sheetXml, const std::string& sharedXml,
                       const std::string& sheet) {
  return WriteWorkbookFile(path, {{sheet, sheetXml}}, sharedXml);
}

bool WriteWorkbookFile(const std::string& path, const std::vector<std::pair<std::string, std::string>>& sheets,
                       const std::string& sharedXml) {
  const std::string ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  std::string list, links;
  std::vector<std::pair<std::string, std::string>> entries;
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    list += "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
    links +=
        "<Relationship Id=\"rId" + n + "\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
    entries.emplace_back("xl/worksheets/sheet" + n + ".xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet " +
                                                                 ns + ">" + sheets[i].second + "</worksheet>");
  }
  entries.emplace_back("[Content_Types].xml",
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
                       "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>");
  entries.emplace_back("xl/workbook.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook " + ns + " xmlns:r=\"" +
                                              rel + "\"><sheets>" + list + "</sheets></workbook>");
  entries.emplace_back("xl/_rels/workbook.xml.rels",
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                       "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
                           links + "</Relationships>");
  if (!sharedXml.empty())
    entries.emplace_back("xl/sharedStrings.xml",
                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst " + ns + ">" + sharedXml + "</sst>");
  return WriteZip(path, entries, 0, true);
}
