#include "support/DataLines.h"

#include <cstdio>

std::string Quoted(std::string_view utf8) {
  return "\"" + S(utf8) + "\"";
}

std::string KenLine(int code, std::string_view postal, std::string_view prefKana, std::string_view cityKana,
                    std::string_view townKana, std::string_view prefKanji, std::string_view cityKanji,
                    std::string_view townKanji) {
  std::string old(postal.substr(0, 3));
  return std::to_string(code) + "," + Quoted(old + "  ") + "," + Quoted(postal) + "," + Quoted(prefKana) + "," +
         Quoted(cityKana) + "," + Quoted(townKana) + "," + Quoted(prefKanji) + "," + Quoted(cityKanji) + "," +
         Quoted(townKanji) + ",0,0,0,0,0,0\r\n";
}

std::string JigLine(int code, std::string_view kana, std::string_view kanji, std::string_view pref,
                    std::string_view city, std::string_view town, std::string_view block, std::string_view postal) {
  return std::to_string(code) + "," + Quoted(kana) + "," + Quoted(kanji) + "," + Quoted(pref) + "," + Quoted(city) +
         "," + Quoted(town) + "," + Quoted(block) + "," + Quoted(postal) + "," +
         Quoted(std::string(postal.substr(0, 3)) + "  ") + "," + Quoted("局") + ",0,0,0\r\n";
}

std::string KenCsv(int code, std::string_view postal, std::string_view cityKana, std::string_view townKana,
                   std::string_view cityKanji, std::string_view townKanji) {
  return KenLine(code, postal, "トウキョウト", cityKana, townKana, "東京都", cityKanji, townKanji);
}

std::string JigCsv(int code, std::string_view kana, std::string_view kanji, std::string_view town,
                   std::string_view block, std::string_view postal) {
  return JigLine(code, kana, kanji, "東京都", "千代田区", town, block, postal);
}

std::string TokyoLine(int n) {
  char postal[16];
  std::snprintf(postal, sizeof postal, "%07d", 1000000 + n % 9000000);
  return KenLine(13101, postal, "トウキョウト", "チヨダク", "マルノウチ", "東京都", "千代田区", "丸の内");
}

std::string TokyoLines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += TokyoLine(i);
  return lines;
}

std::string WithEveryPrefecture(tanzel::DataKind kind, std::string csv, std::string_view name) {
  bool present[tanzel::PrefectureCount + 1] = {};
  for (std::size_t line = 0; line + 2 <= csv.size(); line = csv.find('\n', line) + 1) {
    int pref = (csv[line] - '0') * 10 + (csv[line + 1] - '0');
    if (pref >= 1 && pref <= tanzel::PrefectureCount) present[pref] = true;
    if (csv.find('\n', line) == std::string::npos) break;
  }
  for (int p = 1; p <= tanzel::PrefectureCount; ++p) {
    if (present[p]) continue;
    char postal[8];
    std::snprintf(postal, sizeof postal, "%02d00001", p);
    int code = p * 1000 + 101;
    std::string line = kind == tanzel::DataKind::Ken
                           ? KenLine(code, postal, "ケン", "シ", "ホンチョウ", "県", "市", name)
                           : JigLine(code, "シャ", name, "県", "市", name, "１", postal);
    csv += (p < 10 ? "0" : "") + line;
  }
  return csv;
}
