#include "core/import/DataFileBuilder.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/text/KanaWidth.h"
#include "core/text/SjisText.h"

namespace tanzel {

const std::array<int, kTextColumnCount> kKenFieldLimits = {
    sizeof KenRecord::OldPostalCode - 1, sizeof KenRecord::PostalCode - 1, sizeof KenRecord::PrefKana - 1,
    sizeof KenRecord::CityKana - 1,      sizeof KenRecord::TownKana - 1,   sizeof KenRecord::PrefKanji - 1,
    sizeof KenRecord::CityKanji - 1,     sizeof KenRecord::TownKanji - 1,
};
const std::array<int, kTextColumnCount> kJigFieldLimits = {
    sizeof JigRecord::OfficeKana - 1, sizeof JigRecord::OfficeKanji - 1,   sizeof JigRecord::PrefKanji - 1,
    sizeof JigRecord::CityKanji - 1,  sizeof JigRecord::TownKanji - 1,     sizeof JigRecord::BlockKanji - 1,
    sizeof JigRecord::PostalCode - 1, sizeof JigRecord::OldPostalCode - 1,
};
const std::array<const char*, kTextColumnCount> kKenFieldNames = {
    "OldPostalCode", "PostalCode", "PrefKana", "CityKana", "TownKana", "PrefKanji", "CityKanji", "TownKanji",
};
const std::array<const char*, kTextColumnCount> kJigFieldNames = {
    "OfficeKana", "OfficeKanji", "PrefKanji", "CityKanji", "TownKanji", "BlockKanji", "PostalCode", "OldPostalCode",
};

long DataFileSet::OverCapacityTotal() const {
  long total = 0;
  for (long n : overCapacity) total += n;
  return total;
}

namespace {

constexpr unsigned char kParenLead = 0x81;  // （ is 0x81 0x69, ） is 0x81 0x6A
constexpr unsigned char kOpenParenTrail = 0x69;
constexpr unsigned char kCloseParenTrail = 0x6A;

// The prefectures' names as Japan Post writes them (Shift-JIS), by prefecture code - 1.
constexpr const char* kPrefectureNames[PrefectureCount] = {
    "\x96\x6b\x8a\x43\x93\xb9",          // 北海道
    "\x90\xc2\x90\x58\x8c\xa7",          // 青森県
    "\x8a\xe2\x8e\xe8\x8c\xa7",          // 岩手県
    "\x8b\x7b\x8f\xe9\x8c\xa7",          // 宮城県
    "\x8f\x48\x93\x63\x8c\xa7",          // 秋田県
    "\x8e\x52\x8c\x60\x8c\xa7",          // 山形県
    "\x95\x9f\x93\x87\x8c\xa7",          // 福島県
    "\x88\xef\x8f\xe9\x8c\xa7",          // 茨城県
    "\x93\xc8\x96\xd8\x8c\xa7",          // 栃木県
    "\x8c\x51\x94\x6e\x8c\xa7",          // 群馬県
    "\x8d\xe9\x8b\xca\x8c\xa7",          // 埼玉県
    "\x90\xe7\x97\x74\x8c\xa7",          // 千葉県
    "\x93\x8c\x8b\x9e\x93\x73",          // 東京都
    "\x90\x5f\x93\xde\x90\xec\x8c\xa7",  // 神奈川県
    "\x90\x56\x8a\x83\x8c\xa7",          // 新潟県
    "\x95\x78\x8e\x52\x8c\xa7",          // 富山県
    "\x90\xce\x90\xec\x8c\xa7",          // 石川県
    "\x95\x9f\x88\xe4\x8c\xa7",          // 福井県
    "\x8e\x52\x97\x9c\x8c\xa7",          // 山梨県
    "\x92\xb7\x96\xec\x8c\xa7",          // 長野県
    "\x8a\xf2\x95\x8c\x8c\xa7",          // 岐阜県
    "\x90\xc3\x89\xaa\x8c\xa7",          // 静岡県
    "\x88\xa4\x92\x6d\x8c\xa7",          // 愛知県
    "\x8e\x4f\x8f\x64\x8c\xa7",          // 三重県
    "\x8e\xa0\x89\xea\x8c\xa7",          // 滋賀県
    "\x8b\x9e\x93\x73\x95\x7b",          // 京都府
    "\x91\xe5\x8d\xe3\x95\x7b",          // 大阪府
    "\x95\xba\x8c\xc9\x8c\xa7",          // 兵庫県
    "\x93\xde\x97\xc7\x8c\xa7",          // 奈良県
    "\x98\x61\x89\xcc\x8e\x52\x8c\xa7",  // 和歌山県
    "\x92\xb9\x8e\xe6\x8c\xa7",          // 鳥取県
    "\x93\x87\x8d\xaa\x8c\xa7",          // 島根県
    "\x89\xaa\x8e\x52\x8c\xa7",          // 岡山県
    "\x8d\x4c\x93\x87\x8c\xa7",          // 広島県
    "\x8e\x52\x8c\xfb\x8c\xa7",          // 山口県
    "\x93\xbf\x93\x87\x8c\xa7",          // 徳島県
    "\x8d\x81\x90\xec\x8c\xa7",          // 香川県
    "\x88\xa4\x95\x51\x8c\xa7",          // 愛媛県
    "\x8d\x82\x92\x6d\x8c\xa7",          // 高知県
    "\x95\x9f\x89\xaa\x8c\xa7",          // 福岡県
    "\x8d\xb2\x89\xea\x8c\xa7",          // 佐賀県
    "\x92\xb7\x8d\xe8\x8c\xa7",          // 長崎県
    "\x8c\x46\x96\x7b\x8c\xa7",          // 熊本県
    "\x91\xe5\x95\xaa\x8c\xa7",          // 大分県
    "\x8b\x7b\x8d\xe8\x8c\xa7",          // 宮崎県
    "\x8e\xad\x8e\x99\x93\x87\x8c\xa7",  // 鹿児島県
    "\x89\xab\x93\xea\x8c\xa7",          // 沖縄県
};

// Column positions (0-based) in the text columns 2 .. 9.
constexpr int kKenPostalCode = 1;
constexpr int kKenPrefKanji = 5;
constexpr int kJigPrefKanji = 2;
constexpr int kJigPostalCode = 6;
constexpr int kKenCityKana = 3;
constexpr int kKenTownKana = 4;
constexpr int kKenTownKanji = 7;
constexpr int kJigOfficeKana = 0;

bool IsKanaColumn(DataKind kind, int column) {
  return kind == DataKind::Ken ? (column >= 2 && column <= 4) : column == kJigOfficeKana;
}

// One line of the source, split at every comma.
struct SourceLine {
  long number = 0;
  std::string_view code;                                // column 1
  std::array<std::string_view, kTextColumnCount> text;  // columns 2 .. 9 without their quotes
  std::string_view rest;                                // everything after the comma that ends column 9
};

// Walks the lines of a source and checks each one.
class SourceLines {
 public:
  SourceLines(DataKind kind, const ImportSource& source)
      : kind_(kind), source_(source), columns_(kind == DataKind::Ken ? 15 : 13) {}

  // 1 with the next line, 0 at the end of the text, -1 on bad input (with `error`).
  int Next(SourceLine& line, std::string& error);
  long LinesRead() const { return number_; }

 private:
  bool Fail(std::string& error, const std::string& what) const;
  // The record's postal code (seven digits) and prefecture (that of its code).
  bool CheckRecord(const SourceLine& line, std::string& error) const;

  DataKind kind_;
  const ImportSource& source_;
  int columns_;
  std::size_t pos_ = 0;
  long number_ = 0;
};

bool SourceLines::Fail(std::string& error, const std::string& what) const {
  if (number_ == 1) {
    error = source_.name + ": is neither " +
            (kind_ == DataKind::Ken ? std::string("ken_all.zip / utf_ken_all.zip") : std::string("jigyosyo.zip")) +
            " nor the CSV inside it (line 1: " + what + ")";
  } else {
    error = source_.name + ", line " + std::to_string(number_) + ": " + what;
  }
  return false;
}

std::string HexByte(unsigned char c) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", c);
  return text;
}

int SourceLines::Next(SourceLine& line, std::string& error) {
  const std::string& text = source_.text;
  if (pos_ >= text.size()) return 0;
  ++number_;
  std::size_t lf = text.find('\n', pos_);
  std::size_t end = lf == std::string::npos ? text.size() : lf;
  std::string_view body(text.data() + pos_, end - pos_);
  pos_ = lf == std::string::npos ? text.size() : lf + 1;
  if (!body.empty() && body.back() == '\r') body.remove_suffix(1);

  // Shift-JIS: single bytes 0x20 .. 0x7E and 0xA1 .. 0xDF, or a lead byte with its trail byte.
  const auto* s = reinterpret_cast<const unsigned char*>(body.data());
  for (std::size_t i = 0; i < body.size(); ++i) {
    unsigned char c = s[i];
    if (IsSjisLeadByte(c)) {
      unsigned char t = i + 1 < body.size() ? s[i + 1] : 0;
      if (!((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC))) {
        Fail(error, "bytes that are not valid Shift-JIS (" + HexByte(c) + " " + HexByte(t) + ")");
        return -1;
      }
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      Fail(error, "a control character (" + HexByte(c) + ")");
      return -1;
    } else if (c >= 0x80 && !(c >= 0xA1 && c <= 0xDF)) {
      Fail(error,
           "bytes that are not valid " + std::string(source_.utf8 ? "UTF-8" : "Shift-JIS") + " (" + HexByte(c) + ")");
      return -1;
    }
  }

  // Columns: every comma separates (trail bytes are never commas).
  int count = 1 + static_cast<int>(std::count(body.begin(), body.end(), ','));
  if (count != columns_) {
    Fail(error, std::to_string(count) + " columns instead of " + std::to_string(columns_));
    return -1;
  }
  line.number = number_;
  std::size_t p = body.find(',');
  line.code = body.substr(0, p);
  if (line.code.size() != 5 ||
      !std::all_of(line.code.begin(), line.code.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    Fail(error, "the local government code \"" + std::string(line.code) + "\" is not five digits");
    return -1;
  }
  ++p;
  for (int i = 0; i < kTextColumnCount; ++i) {
    std::size_t comma = body.find(',', p);
    std::string_view column = body.substr(p, comma - p);
    if (column.size() >= 2 && column.front() == '"' && column.back() == '"') {
      column = column.substr(1, column.size() - 2);
    }
    line.text[static_cast<std::size_t>(i)] = column;
    p = comma + 1;
  }
  line.rest = body.substr(p);
  return CheckRecord(line, error) ? 1 : -1;
}

bool SourceLines::CheckRecord(const SourceLine& line, std::string& error) const {
  int pref = (line.code[0] - '0') * 10 + (line.code[1] - '0');
  if (pref < 1 || pref > PrefectureCount) {
    return Fail(error, "the local government code " + std::string(line.code) + " names no prefecture (01 .. 47)");
  }
  bool ken = kind_ == DataKind::Ken;
  std::string_view postal = line.text[static_cast<std::size_t>(ken ? kKenPostalCode : kJigPostalCode)];
  if (postal.size() != 7 || !std::all_of(postal.begin(), postal.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return Fail(error, "the postal code \"" + SjisToUtf8(postal) + "\" is not seven digits");
  }
  std::string_view name = line.text[static_cast<std::size_t>(ken ? kKenPrefKanji : kJigPrefKanji)];
  const char* expected = kPrefectureNames[pref - 1];
  if (name != expected) {
    return Fail(error, "the prefecture \"" + SjisToUtf8(name) + "\" is not that of the local government code " +
                           std::string(line.code) + " (" + SjisToUtf8(expected) + ")");
  }
  return true;
}

// Counts of （ and ） in a Shift-JIS text.
void CountParens(std::string_view text, long& open, long& close) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsSjisLeadByte(s[i])) continue;
    if (s[i] == kParenLead && i + 1 < text.size()) {
      if (s[i + 1] == kOpenParenTrail) ++open;
      if (s[i + 1] == kCloseParenTrail) ++close;
    }
    ++i;
  }
}

// A composed record: its line in the arena and the keys it is ordered by.
struct Record {
  uint32_t line;        // offset of its line (with CR LF) in the arena
  uint32_t lineLength;  // bytes of the line, CR LF included
  uint32_t cityKana;    // KEN: the city kana of the first record of its code
  uint32_t cityKanaLength;
  uint32_t kana;  // KEN: town kana; JIG: office kana
  uint32_t kanaLength;
  uint32_t sequence;  // position in the source
  int32_t code;
  long sourceLine;
  uint8_t pref;
  bool catchAll;
};

int CompareBytes(const std::string& arena, uint32_t a, uint32_t aLen, uint32_t b, uint32_t bLen) {
  int c = std::memcmp(arena.data() + a, arena.data() + b, std::min(aLen, bLen));
  if (c != 0) return c;
  return aLen < bLen ? -1 : (aLen > bLen ? 1 : 0);
}

class Builder {
 public:
  Builder(DataKind kind, const ImportSource& source, DataFileSet& out) : kind_(kind), source_(source), out_(out) {}
  bool Run(std::string& error);

 private:
  // Adds one record; false (with `error`) when its prefecture passes the lines a file may hold.
  bool Compose(const SourceLine& first, std::string_view townKana, std::string_view townKanji, std::string& error);
  void Order();
  bool WriteFiles(std::string& error);

  DataKind kind_;
  const ImportSource& source_;
  DataFileSet& out_;
  std::string arena_;
  std::vector<Record> records_;
  std::string joinedKana_;
  std::string joinedKanji_;
  std::array<int, PrefectureCount> perPrefecture_{};
};

bool Builder::Compose(const SourceLine& first, std::string_view townKana, std::string_view townKanji,
                      std::string& error) {
  const auto& limits = kind_ == DataKind::Ken ? kKenFieldLimits : kJigFieldLimits;
  Record r{};
  r.line = static_cast<uint32_t>(arena_.size());
  r.sequence = static_cast<uint32_t>(records_.size());
  r.sourceLine = first.number;
  r.code = (first.code[0] - '0') * 10000 + (first.code[1] - '0') * 1000 + (first.code[2] - '0') * 100 +
           (first.code[3] - '0') * 10 + (first.code[4] - '0');
  r.pref = static_cast<uint8_t>(r.code / 1000);
  if (++perPrefecture_[r.pref - 1u] > kMaxFileLines) {
    // Refused at once: an input that expands into millions of lines is never read through.
    error = source_.name + ", line " + std::to_string(first.number) + ": " + DataFileBaseName(kind_, r.pref) +
            " would have more than the " + std::to_string(kMaxFileLines) + " lines the program reads";
    return false;
  }
  arena_.append(first.code);
  for (int i = 0; i < kTextColumnCount; ++i) {
    std::string_view text = first.text[static_cast<std::size_t>(i)];
    if (kind_ == DataKind::Ken && i == kKenTownKana) text = townKana;
    if (kind_ == DataKind::Ken && i == kKenTownKanji) text = townKanji;
    arena_.append(",\"");
    auto begin = static_cast<uint32_t>(arena_.size());
    if (IsKanaColumn(kind_, i)) {
      AppendWideKana(arena_, text);
    } else {
      arena_.append(text);
    }
    auto length = static_cast<uint32_t>(arena_.size() - begin);
    arena_.push_back('"');
    if (length > static_cast<uint32_t>(limits[static_cast<std::size_t>(i)])) {
      ++out_.overCapacity[static_cast<std::size_t>(i)];
    }
    if (kind_ == DataKind::Ken && i == kKenCityKana) {
      r.cityKana = begin;
      r.cityKanaLength = length;
    }
    if (i == (kind_ == DataKind::Ken ? kKenTownKana : kJigOfficeKana)) {
      r.kana = begin;
      r.kanaLength = length;
    }
  }
  if (kind_ == DataKind::Ken) r.catchAll = townKanji == kCatchAllTown;
  arena_.push_back(',');
  arena_.append(first.rest);
  arena_.append("\r\n");
  r.lineLength = static_cast<uint32_t>(arena_.size() - r.line);
  records_.push_back(r);
  return true;
}

bool Builder::Run(std::string& error) {
  arena_.reserve(source_.text.size() + source_.text.size() / 2);
  SourceLines lines(kind_, source_);
  SourceLine line;
  SourceLine next;
  int state = lines.Next(line, error);
  // Split town names are joined in every address input: a CSV converted to UTF-8 by hand
  // keeps KEN_ALL.CSV's split lines, and utf_ken_all.csv has none to join.
  const bool join = kind_ == DataKind::Ken;
  while (state > 0) {
    std::string_view townKana = kind_ == DataKind::Ken ? line.text[kKenTownKana] : std::string_view();
    std::string_view townKanji = kind_ == DataKind::Ken ? line.text[kKenTownKanji] : std::string_view();
    long open = 0;
    long close = 0;
    if (join) CountParens(townKanji, open, close);
    if (join && open > close) {
      // A long town name continues on the following lines of the same code and postal code
      // until its parentheses balance.
      joinedKanji_.assign(townKanji);
      joinedKana_.assign(townKana);
      std::string_view previousKana = townKana;
      for (;;) {
        state = lines.Next(next, error);
        if (state <= 0) break;
        if (next.code != line.code || next.text[kKenPostalCode] != line.text[kKenPostalCode]) break;
        joinedKanji_.append(next.text[kKenTownKanji]);
        if (next.text[kKenTownKana] != previousKana) joinedKana_.append(next.text[kKenTownKana]);
        previousKana = next.text[kKenTownKana];
        CountParens(next.text[kKenTownKanji], open, close);
        if (open <= close) {
          state = lines.Next(next, error);
          break;
        }
      }
      if (state < 0 || !Compose(line, joinedKana_, joinedKanji_, error)) return false;
      if (state > 0) line = next;
      continue;
    }
    if (!Compose(line, townKana, townKanji, error)) return false;
    state = lines.Next(line, error);
  }
  if (state < 0) return false;
  out_.sourceLines = lines.LinesRead();
  out_.records = static_cast<long>(records_.size());
  if (records_.empty()) {
    error = source_.name + ": holds no records";
    return false;
  }
  Order();
  return WriteFiles(error);
}

void Builder::Order() {
  if (kind_ == DataKind::Ken) {
    // A city is ordered by the kana of its first record.
    std::vector<int32_t> firstOfCode(100000, -1);
    for (std::size_t i = 0; i < records_.size(); ++i) {
      Record& r = records_[i];
      int32_t& first = firstOfCode[static_cast<std::size_t>(r.code)];
      if (first < 0) first = static_cast<int32_t>(i);
      r.cityKana = records_[static_cast<std::size_t>(first)].cityKana;
      r.cityKanaLength = records_[static_cast<std::size_t>(first)].cityKanaLength;
    }
    std::sort(records_.begin(), records_.end(), [this](const Record& a, const Record& b) {
      if (a.pref != b.pref) return a.pref < b.pref;
      if (a.code != b.code) {
        int c = CompareBytes(arena_, a.cityKana, a.cityKanaLength, b.cityKana, b.cityKanaLength);
        if (c != 0) return c < 0;
        return a.code < b.code;
      }
      if (a.catchAll != b.catchAll) return a.catchAll;
      int c = CompareBytes(arena_, a.kana, a.kanaLength, b.kana, b.kanaLength);
      if (c != 0) return c < 0;
      return a.sequence < b.sequence;
    });
  } else {
    std::sort(records_.begin(), records_.end(), [this](const Record& a, const Record& b) {
      if (a.pref != b.pref) return a.pref < b.pref;
      int c = CompareBytes(arena_, a.kana, a.kanaLength, b.kana, b.kanaLength);
      if (c != 0) return c < 0;
      return a.sequence < b.sequence;
    });
  }
}

bool Builder::WriteFiles(std::string& error) {
  std::array<std::size_t, PrefectureCount> bytes{};
  for (const Record& r : records_) bytes[r.pref - 1u] += r.lineLength;
  for (int p = 0; p < PrefectureCount; ++p)
    out_.files[static_cast<std::size_t>(p)].reserve(bytes[static_cast<std::size_t>(p)]);
  for (const Record& r : records_) {
    if (r.lineLength - 1 > static_cast<uint32_t>(kMaxLineLength)) {
      error = source_.name + ", line " + std::to_string(r.sourceLine) + ": the record's line would be " +
              std::to_string(r.lineLength - 1) + " bytes long, more than the " + std::to_string(kMaxLineLength) +
              " the program reads";
      return false;
    }
    out_.files[r.pref - 1u].append(arena_, r.line, r.lineLength);
  }
  return true;
}

}  // namespace

bool BuildDataFiles(DataKind kind, const ImportSource& source, DataFileSet& out, std::string& error) {
  out = DataFileSet{};
  out.kind = kind;
  Builder builder(kind, source, out);
  return builder.Run(error);
}

}  // namespace tanzel
