#include "support/Lists.h"

#include "support/DataLines.h"
#include "support/TempData.h"

void WriteListData(const TempData& data) {
  data.writeEmptyPrefectures();
  auto ken = [](int code, const char* postal, const char* pref, const char* city, const char* town) {
    return KenLine(code, postal, "ア", "ア", "ア", pref, city, town);
  };
  data.write(KenName(13), ken(13101, "1000000", "東京都", "千代田区", "以下に掲載がない場合") +
                              ken(13101, "1000001", "東京都", "千代田区", "千代田") +
                              ken(13206, "1830000", "東京都", "府中市", "以下に掲載がない場合") +
                              ken(13206, "1830022", "東京都", "府中市", "宮西町"));
  data.write(KenName(26), ken(26102, "6020000", "京都府", "京都市上京区", "以下に掲載がない場合") +
                              ken(26102, "6020033", "京都府", "京都市上京区", "今出川町（烏丸通今出川上る）") +
                              ken(26102, "6028031", "京都府", "京都市上京区", "今出川町（寺町通今出川下る）"));
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
