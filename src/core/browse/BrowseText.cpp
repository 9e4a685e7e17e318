#include "core/browse/BrowseText.h"

#include <cstdio>
#include <cstring>

#include "core/browse/CheckDigit.h"
#include "core/browse/KanaRow.h"
#include "core/text/SjisText.h"

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
constexpr std::string_view kWideOpen = "\x81\x69";              // （
constexpr std::string_view kWideClose = "\x81\x6a";             // ）
constexpr std::string_view kFloor = "\x8a\x4b";                 // 階
constexpr std::string_view kFloorReading = "\x83\x4a\x83\x43";  // カイ
// Town names that stand for a whole city, or for its addresses written by lot number alone.
constexpr std::string_view kCityOnlyEndings[] = {
    "\x88\xc8\x89\xba\x82\xc9\x8c\x66\x8d\xda\x82\xaa\x82\xc8\x82\xa2\x8f\xea\x8d\x87",  // 以下に掲載がない場合
    "\x83\x43\x83\x4a\x83\x6a\x83\x50\x83\x43\x83\x54\x83\x43\x83\x4b\x83\x69\x83\x43\x83\x6f\x83\x41"
    "\x83\x43",  // イカニケイサイガナイバアイ
    "\x82\xcc\x8e\x9f\x82\xc9\x94\xd4\x92\x6e\x82\xaa\x82\xad\x82\xe9\x8f\xea\x8d\x87",  // の次に番地がくる場合
};

// The bytes of the character starting at text[at].
std::size_t CharBytes(std::string_view text, std::size_t at) {
  return IsSjisLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// Whether the text between parentheses names a floor: full-width digits, then 階 (カイ).
bool IsFloor(std::string_view inner) {
  std::size_t digits = inner.size() >= 2 && inner.substr(inner.size() - 2) == kFloor          ? inner.size() - 2
                       : inner.size() >= 4 && inner.substr(inner.size() - 4) == kFloorReading ? inner.size() - 4
                                                                                              : 0;
  if (digits == 0 || digits % 2 != 0) return false;
  for (std::size_t i = 0; i < digits; i += 2) {
    auto lead = static_cast<unsigned char>(inner[i]);
    auto trail = static_cast<unsigned char>(inner[i + 1]);
    if (lead != 0x82 || trail < 0x4f || trail > 0x58) return false;
  }
  return true;
}

// The length of the parenthesised part starting at text[at] (its closing mark included),
// or 0 when none starts there or it is never closed.
std::size_t NoteLength(std::string_view text, std::size_t at) {
  const bool wide = text.substr(at, 2) == kWideOpen;
  if (!wide && text[at] != '(') return 0;
  for (std::size_t i = at + (wide ? 2 : 1); i < text.size(); i += CharBytes(text, i)) {
    if (wide ? text.substr(i, 2) == kWideClose : text[i] == ')') return i + (wide ? 2 : 1) - at;
  }
  return 0;
}
}  // namespace

std::string WithoutNotes(std::string_view sjis) {
  std::string out;
  for (std::size_t i = 0; i < sjis.size();) {
    const std::size_t note = NoteLength(sjis, i);
    const std::size_t mark = note == 0 ? 0 : sjis[i] == '(' ? 1 : 2;
    if (note > 0 && !IsFloor(sjis.substr(i + mark, note - 2 * mark))) {
      i += note;
      continue;
    }
    const std::size_t n = note > 0 ? note : CharBytes(sjis, i);
    out.append(sjis.substr(i, n));
    i += n;
  }
  for (std::string_view ending : kCityOnlyEndings) {
    if (out.size() >= ending.size() && std::string_view(out).substr(out.size() - ending.size()) == ending) {
      out.resize(out.size() - ending.size());
      break;
    }
  }
  return out;
}

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
  out.PlainAddress = WithoutNotes(std::string(rec.PrefKanji) + rec.CityKanji + rec.TownKanji);
  out.PlainKana = WithoutNotes(std::string(rec.PrefKana) + rec.CityKana + rec.TownKana);
  out.CodeText = std::string(kCodeLabel) + LocalGovCodeText(rec.LocalGovCode) + '\n' + kDigitLabel +
                 LocalGovCodeWithCheckDigit(rec.LocalGovCode);
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
  out.PlainAddress = WithoutNotes(out.AdrText);
  out.PlainKana = rec.OfficeKana;
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
  out.PlainAddress = WithoutNotes(out.AdrText);
  out.PlainKana = cells[4].empty() ? WithoutNotes(cells[2]) : cells[2];
  std::string code = cells[3].substr(0, 11);
  int digit = CheckDigit(code.c_str());
  out.CodeText = kCodeLabel + code + '\n' + kDigitLabel + code;
  if (digit >= 0) out.CodeText += static_cast<char>('0' + digit);
  return out;
}

}  // namespace tanzel
