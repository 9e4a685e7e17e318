#pragma once

// Helpers for the search tests: data lines built from UTF-8 texts, converted to Shift-JIS.

#include <cstdio>
#include <string>
#include <string_view>

#include "data/SjisText.h"

inline std::string Sjis(std::string_view utf8) {
  return Utf8ToSjis(utf8).value_or(std::string("?UNREPRESENTABLE?"));
}

inline std::string Quoted(std::string_view utf8) {
  return "\"" + Sjis(utf8) + "\"";
}

// One address line with the usual trailing flag columns.
inline std::string KenLine(int code, std::string_view postal, std::string_view prefKana, std::string_view cityKana,
                           std::string_view townKana, std::string_view prefKanji, std::string_view cityKanji,
                           std::string_view townKanji) {
  std::string old(postal.substr(0, 3));
  return std::to_string(code) + "," + Quoted(old + "  ") + "," + Quoted(postal) + "," + Quoted(prefKana) + "," +
         Quoted(cityKana) + "," + Quoted(townKana) + "," + Quoted(prefKanji) + "," + Quoted(cityKanji) + "," +
         Quoted(townKanji) + ",0,0,0,0,0,0\r\n";
}

// One office line with the usual trailing columns.
inline std::string JigLine(int code, std::string_view kana, std::string_view kanji, std::string_view pref,
                           std::string_view city, std::string_view town, std::string_view block,
                           std::string_view postal) {
  return std::to_string(code) + "," + Quoted(kana) + "," + Quoted(kanji) + "," + Quoted(pref) + "," + Quoted(city) +
         "," + Quoted(town) + "," + Quoted(block) + "," + Quoted(postal) + "," +
         Quoted(std::string(postal.substr(0, 3)) + "  ") + "," + Quoted("局") + ",0,0,0\r\n";
}

// A plain Tokyo line used to fill files.
inline std::string TokyoLine(int n) {
  char postal[16];
  std::snprintf(postal, sizeof postal, "%07d", 1000000 + n % 9000000);
  return KenLine(13101, postal, "トウキョウト", "チヨダク", "マルノウチ", "東京都", "千代田区", "丸の内");
}

// TokyoLine(0) ... TokyoLine(count - 1), one after the other.
inline std::string TokyoLines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += TokyoLine(i);
  return lines;
}
