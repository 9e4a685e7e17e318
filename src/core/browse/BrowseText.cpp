#include "core/browse/BrowseText.h"

#include <cstdio>
#include <cstring>

#include "core/browse/CheckDigit.h"
#include "core/browse/KanaRow.h"

namespace tanzel {

namespace {
constexpr char kWideSpace[] = "\x81@";      // 　
constexpr char kOpenReading[] = "\x81@(";   // 　(
constexpr char kPostalMark[] = "\x81\xa7";  // 〒
constexpr char kCodeLabel[] =
    "\x92n\x95\xfb\x8c\xf6\x8b\xa4\x92"
    "c\x91\xcc\x83R\x81[\x83h\x81"
    "F";  // 地方公共団体コード：
constexpr char kDigitLabel[] =
    "\x83"
    "f\x83"
    "B\x83W\x83"
    "b\x83g\x83R\x81[\x83h\x95t\x81"
    "F";  // ディジットコード付：
constexpr char kOfficeCodeLabel[] =
    "\x92n\x95\xfb\x8c\xf6\x8b\xa4\x92"
    "c\x91\xcc\x83R\x81[\x83h";  // 地方公共団体コード

std::string NameWithReading(const char* heading, const char* kanji, const char* kana) {
  std::string line = heading;
  line += kWideSpace;
  line += kanji;
  line += kOpenReading;
  line += kana;
  line += ')';
  return line;
}

// The seven digit captions and "〒ddd-dddd"; a code shorter than seven characters gives
// empty captions and a shorter line, never a read past its end.
void SetPostalCode(ResultText& out, const char* code) {
  std::size_t len = strnlen(code, 7);
  for (std::size_t i = 0; i < 7; ++i) {
    out.Digits[i][0] = i < len ? code[i] : '\0';
    out.Digits[i][1] = '\0';
  }
  std::string line = kPostalMark;
  line.append(code, len < 3 ? len : 3);
  line += '-';
  if (len > 3) line.append(code + 3, len - 3);
  out.NameLines[0] = line;
}
}  // namespace

std::string CityLine(const char* heading, const KenRecord& rec) {
  return NameWithReading(heading, rec.CityKanji, rec.CityKana);
}

std::string TownLine(const char* heading, const KenRecord& rec) {
  return NameWithReading(heading, rec.TownKanji, rec.TownKana);
}

std::string OfficeLine(const char* heading, const JigRecord& rec) {
  std::string line = heading;
  line += kWideSpace;
  line += rec.OfficeKanji;
  return line;
}

std::vector<BrowseLine> CityLines(const KenRecord* table, int count) {
  std::vector<BrowseLine> lines;
  lines.push_back({0, kOfficeEntry});
  int previous = 0;
  int row = 0;
  for (int i = 0; i < count; ++i) {
    const KenRecord& rec = table[i];
    if (rec.LocalGovCode == previous) continue;
    previous = rec.LocalGovCode;
    lines.push_back({rec.LocalGovCode, CityLine(KanaRowHeading(rec.CityKana, row), rec)});
  }
  return lines;
}

std::vector<BrowseLine> TownLines(const KenRecord* table, int count, const std::string& codeText) {
  std::vector<BrowseLine> lines;
  int row = 0;
  char code[16];
  for (int i = 0; i < count; ++i) {
    const KenRecord& rec = table[i];
    std::snprintf(code, sizeof code, "%d", static_cast<int>(rec.LocalGovCode));
    if (codeText != code) continue;
    const char* heading = lines.empty() ? kBlankHeading : KanaRowHeading(rec.TownKana, row);
    lines.push_back({i, TownLine(heading, rec)});
  }
  return lines;
}

std::vector<BrowseLine> OfficeLines(const JigRecord* table, int count) {
  std::vector<BrowseLine> lines;
  int row = 0;
  for (int i = 0; i < count; ++i) lines.push_back({i, OfficeLine(KanaRowHeading(table[i].OfficeKana, row), table[i])});
  return lines;
}

ResultText AddressResult(const KenRecord& rec) {
  ResultText out;
  SetPostalCode(out, rec.PostalCode);
  out.NameLines[1] = std::string(rec.PrefKanji) + ' ' + rec.CityKanji + ' ' + rec.TownKanji;
  out.NameLines[2] = std::string(rec.PrefKana) + ' ' + rec.CityKana + ' ' + rec.TownKana;
  out.NameLineCount = 3;
  out.AdrText = out.NameLines[1];
  char code5[16];
  std::snprintf(code5, sizeof code5, "%05d", static_cast<int>(rec.LocalGovCode));
  out.CodeText =
      std::string(kCodeLabel) + code5 + '\n' + kDigitLabel + code5 + static_cast<char>('0' + CheckDigit(code5));
  return out;
}

ResultText OfficeResult(const JigRecord& rec) {
  ResultText out;
  SetPostalCode(out, rec.PostalCode);
  out.NameLines[1] = rec.OfficeKanji;
  out.NameLines[2] = rec.OfficeKana;
  out.NameLines[3] = std::string(rec.PrefKanji) + rec.CityKanji + rec.TownKanji + rec.BlockKanji;
  out.NameLineCount = 4;
  out.AdrText = out.NameLines[3];
  out.CodeText = std::string(kOfficeCodeLabel) + std::to_string(rec.LocalGovCode);
  return out;
}

ResultText GridRowResult(const std::string (&cells)[5]) {
  ResultText out;
  static constexpr std::size_t kDigitBytes[7] = {0, 1, 2, 4, 5, 6, 7};  // byte 3 is the hyphen
  const std::string& postal = cells[0];
  for (int i = 0; i < 7; ++i) {
    std::size_t at = kDigitBytes[i];
    out.Digits[i][0] = at < postal.size() ? postal[at] : '\0';
    out.Digits[i][1] = '\0';
  }
  out.NameLines[0] = kPostalMark + postal;
  out.NameLines[1] = cells[1];
  out.NameLines[2] = cells[2];
  out.NameLines[3] = cells[4];
  out.NameLineCount = 4;
  // An office row (one with an address cell) copies the office's address, as browsing does.
  out.AdrText = cells[4].empty() ? cells[1] : cells[4];
  std::string code = cells[3].substr(0, 11);
  int digit = CheckDigit(code.c_str());
  out.CodeText = kCodeLabel + code + '\n' + kDigitLabel + code;
  if (digit >= 0) out.CodeText += static_cast<char>('0' + digit);
  return out;
}

}  // namespace tanzel
