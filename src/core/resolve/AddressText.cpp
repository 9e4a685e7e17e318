#include "core/resolve/AddressText.h"

#include <climits>
#include <cstring>

#include "core/text/KanaWidth.h"
#include "core/text/NameVariants.h"
#include "core/text/SjisText.h"

namespace tanzel {

namespace {

// Shift-JIS words the rules look for (match form).
constexpr std::string_view kChome = "\x92\x9a\x96\xda";           // 丁目
constexpr std::string_view kBanchi = "\x94\xd4\x92\x6e";          // 番地
constexpr std::string_view kBan = "\x94\xd4";                     // 番
constexpr std::string_view kGo = "\x8d\x86";                      // 号
constexpr std::string_view kChiwari = "\x92\x6e\x8a\x84";         // 地割
constexpr std::string_view kSen = "\x90\xfc";                     // 線
constexpr std::string_view kKai = "\x8a\x4b";                     // 階
constexpr std::string_view kChika = "\x92\x6e\x89\xba";           // 地下
constexpr std::string_view kNo = "\x82\xcc";                      // の
constexpr std::string_view kWave = "\x81\x60";                    // 〜
constexpr std::string_view kComma = "\x81\x41";                   // 、
constexpr std::string_view kOpenQuote = "\x81\x75";               // 「
constexpr std::string_view kCloseQuote = "\x81\x76";              // 」
constexpr std::string_view kIjou = "\x88\xc8\x8f\xe3";            // 以上
constexpr std::string_view kIka = "\x88\xc8\x89\xba";             // 以下
constexpr std::string_view kSonota = "\x82\xbb\x82\xcc\x91\xbc";  // その他
constexpr std::string_view kExceptBuildings =
    "\x8e\x9f\x82\xcc\x83\x72\x83\x8b\x82\xf0\x8f\x9c\x82\xad";  // 次のビルを除く
constexpr std::string_view kFloorUnknown =
    "\x92\x6e\x8a\x4b\x81\x45\x8a\x4b\x91\x77\x95\x73\x96\xbe";  // 地階・階層不明
constexpr std::string_view kOaza = "\x91\xe5\x8e\x9a";           // 大字
constexpr std::string_view kTori = "\x92\xca";                   // 通
constexpr std::string_view kSuji = "\x8b\xd8";                   // 筋

// Kanji numerals: 〇 一 二 三 四 五 六 七 八 九, then 十 百 千.
constexpr unsigned kKanjiDigits[10] = {0x815A, 0x88EA, 0x93F1, 0x8E4F, 0x8E6C, 0x8CDC, 0x985A, 0x8EB5, 0x94AA, 0x8BE3};
constexpr unsigned kTen = 0x8F5C, kHundred = 0x9553, kThousand = 0x90E7;

int KanjiDigit(unsigned code) {
  for (int d = 0; d < 10; ++d)
    if (kKanjiDigits[d] == code) return d;
  return -1;
}

bool IsKanjiNumeral(unsigned code) {
  return KanjiDigit(code) >= 0 || code == kTen || code == kHundred || code == kThousand;
}

bool IsDigitCode(unsigned code) {
  return (code >= '0' && code <= '9') || (code >= 0x824F && code <= 0x8258) || IsKanjiNumeral(code);
}

// -, ‐, −, ―, and the box-drawing lines ─ and ━ that some lists carry between numbers.
bool IsHyphenCode(unsigned code) {
  return code == '-' || code == 0x815D || code == 0x817C || code == 0x815C || code == 0x849F || code == 0x84AA;
}

// What separates the parts of an address in a list or a form: 、 , ， and line breaks
// (spaces are dropped everywhere).
bool IsSeparatorCode(unsigned code) {
  return code == 0x8141 || code == ',' || code == 0x8143 || code == '\r' || code == '\n';
}

// The value of a run of kanji numerals: positional when it holds 十, 百 or 千, digit by
// digit otherwise.
std::string KanjiNumber(const std::vector<unsigned>& run) {
  bool positional = false;
  for (unsigned c : run) positional = positional || c == kTen || c == kHundred || c == kThousand;
  if (!positional) {
    std::string digits;
    for (unsigned c : run) digits += static_cast<char>('0' + KanjiDigit(c));
    return digits;
  }
  long total = 0;
  long current = -1;
  for (unsigned c : run) {
    int d = KanjiDigit(c);
    if (d >= 0) {
      current = current < 0 ? d : current * 10 + d;
      continue;
    }
    long unit = c == kTen ? 10 : c == kHundred ? 100 : 1000;
    total += (current < 0 ? 1 : current) * unit;
    current = -1;
  }
  if (current >= 0) total += current;
  return std::to_string(total);
}

bool StartsWith(std::string_view s, std::size_t at, std::string_view word) {
  return s.size() >= at + word.size() && s.compare(at, word.size(), word) == 0;
}

bool EndsWith(std::string_view s, std::string_view word) {
  return s.size() >= word.size() && s.compare(s.size() - word.size(), word.size(), word) == 0;
}

bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsAsciiUpper(char c) {
  return c >= 'A' && c <= 'Z';
}

// Reads the decimal number at s[at]; moves `at` past it.
int32_t ReadNumber(std::string_view s, std::size_t& at) {
  long value = 0;
  while (at < s.size() && IsAsciiDigit(s[at])) {
    if (value < 100000000) value = value * 10 + (s[at] - '0');
    ++at;
  }
  return static_cast<int32_t>(value);
}

// Skips the word at s[at] when it is there.
bool Skip(std::string_view s, std::size_t& at, std::string_view word) {
  if (!StartsWith(s, at, word)) return false;
  at += word.size();
  return true;
}

std::size_t CharLength(std::string_view s, std::size_t at) {
  std::size_t n;
  SjisCodeAt(s, at, n);
  return n;
}

}  // namespace

namespace {

// The match form; `breaks` (when given) reads separators and records where they stood;
// `kVariants` folds the spellings of names. One instance per use: the data's names and the
// text to resolve go through it once each.
template <bool kBreaks, bool kVariants>
std::string Form(std::string_view sjis, std::vector<std::size_t>* breaks) {
  std::string wide;
  AppendWideKatakana(wide, sjis);
  std::string out;
  out.reserve(wide.size());
  std::vector<unsigned> run;
  // Two numbers must not run together where a space or a kanji numeral stood between
  // them: "1170 八千代町" is not 11708000, nor "25番 一般" the block 25-1. A unit separator
  // keeps them apart after a digit, or after 番地, 番 or 号 and a space.
  bool spaceAfterDigit = false;
  bool spaceAfterBlock = false;
  unsigned last = 0;  // the character before, as read
  // Whether the last character written is one byte (an upper-case letter, not the second
  // byte of 森), read on from where it was last asked.
  std::size_t scanned = 0;
  bool single = false;
  auto singleLast = [&] {
    while (scanned < out.size()) {
      bool lead = IsSjisLeadByte(static_cast<unsigned char>(out[scanned])) && scanned + 1 < out.size();
      single = !lead;
      scanned += lead ? 2 : 1;
    }
    return single;
  };
  auto kanjiFollows = [&] {
    if (spaceAfterDigit || spaceAfterBlock || (!out.empty() && IsAsciiDigit(out.back()))) out += kNumberBreak;
    spaceAfterDigit = spaceAfterBlock = false;
  };
  for (std::size_t i = 0; i < wide.size();) {
    std::size_t n;
    unsigned code = SjisCodeAt(wide, i, n);
    if (IsKanjiNumeral(code)) {
      run.clear();
      while (i < wide.size() && IsKanjiNumeral(code = SjisCodeAt(wide, i, n))) {
        run.push_back(code);
        last = code;  // a kanji all the same: 三ノ丸, 上九ヶ沢
        i += n;
      }
      kanjiFollows();
      out += KanjiNumber(run);
      if (i < wide.size() && IsDigitCode(SjisCodeAt(wide, i, n))) out += kNumberBreak;
      continue;
    }
    i += n;
    code = CommonKanji(code);
    unsigned previous = last;
    last = code;
    bool separator = kBreaks && IsSeparatorCode(code);
    if (kBreaks && (separator || code == ' ' || code == '\t' || code == 0x8140) &&
        (breaks->empty() || breaks->back() != out.size()))
      breaks->push_back(out.size());
    if (code == ' ' || code == '\t' || code == 0x8140 || separator) {
      // A letter and a number a space keeps apart stay apart (シティＢ ６Ｆ is no basement).
      spaceAfterDigit =
          spaceAfterDigit || (!out.empty() && (IsAsciiDigit(out.back()) || (IsAsciiUpper(out.back()) && singleLast())));
      std::string_view sofar = out;
      spaceAfterBlock = spaceAfterBlock || EndsWith(sofar, kBan) || EndsWith(sofar, kBanchi) || EndsWith(sofar, kGo);
      continue;
    }
    if ((code >= '0' && code <= '9') || (code >= 0x824F && code <= 0x8258)) {
      if (spaceAfterDigit) out += kNumberBreak;
      spaceAfterDigit = spaceAfterBlock = false;
      out += static_cast<char>(code <= '9' ? code : '0' + (code - 0x824F));
      continue;
    }
    spaceAfterDigit = spaceAfterBlock = false;
    if (code >= 'a' && code <= 'z') {
      out += static_cast<char>(code - 'a' + 'A');
    } else if (code >= 0x8260 && code <= 0x8279) {
      out += static_cast<char>('A' + (code - 0x8260));
    } else if (code >= 0x8281 && code <= 0x829A) {
      out += static_cast<char>('A' + (code - 0x8281));
    } else if (!kVariants && (code == 0x8396 || code == 0x8395)) {
      out += "\x83\x50";  // ヶ ヵ as ケ
    } else if (unsigned variant =
                   kVariants ? NameVariant(previous, code, i < wide.size() ? SjisCodeAt(wide, i, n) : 0) : code;
               variant != code) {
      // ケ joining two parts left out, as the data often does (阿佐ヶ谷 阿佐谷, 霞が関); ノ and
      // 之 joining them written の, and between two numbers '-' as の is (五之三 五の三).
      if (variant == 0x82CC && !out.empty() && IsAsciiDigit(out.back()) && i < wide.size() &&
          IsDigitCode(SjisCodeAt(wide, i, n))) {
        out += '-';
      } else if (variant != 0) {
        out += static_cast<char>(variant >> 8);
        out += static_cast<char>(variant & 0xFF);
      }
    } else if (IsHyphenCode(code)) {
      out += '-';
    } else if ((code == 0x815B || code == 0x82CC) && !out.empty() && IsAsciiDigit(out.back()) && i < wide.size() &&
               IsDigitCode(SjisCodeAt(wide, i, n))) {
      out += '-';  // ー or の between two numbers
    } else if (code > 0xFF) {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    } else {
      out += static_cast<char>(code);
    }
  }
  return out;
}

}  // namespace

std::string MatchForm(std::string_view sjis) {
  return Form<false, true>(sjis, nullptr);
}

std::string QueryForm(std::string_view sjis, std::vector<std::size_t>& breaks) {
  breaks.clear();
  return Form<true, true>(sjis, &breaks);
}

std::string ExactForm(std::string_view sjis) {
  return Form<false, false>(sjis, nullptr);
}

CharBoundaries::CharBoundaries(std::string_view sjis) {
  auto put = [&](std::size_t at) {
    if (size_ < kInPlace)
      inPlace_[size_] = static_cast<uint32_t>(at);
    else
      more_.push_back(at);
    ++size_;
  };
  put(0);
  for (std::size_t i = 0; i < sjis.size();) {
    i += CharLength(sjis, i);
    put(i);
  }
}

AddressRest ParseRest(std::string_view s) {
  AddressRest rest;
  rest.floorAt = s.size();
  enum { kLeading, kBlock, kTrailing } phase = kLeading;
  // Where the two characters of text right before stand (a basement's B or 地下), or npos.
  constexpr std::size_t kNone = std::string_view::npos;
  std::size_t last = kNone, beforeLast = kNone;
  for (std::size_t at = 0; at < s.size();) {
    if (s[at] == kNumberBreak) {  // ends the block, and keeps a letter from the floor: シティB 6F
      if (phase == kBlock) {
        phase = kTrailing;
        rest.end = at;
      }
      ++at;
      last = beforeLast = kNone;
      continue;
    }
    if (IsAsciiDigit(s[at])) {
      std::size_t start = at;
      int32_t n = ReadNumber(s, at);
      std::string& text = phase == kTrailing ? rest.trailing : rest.leading;
      // B1F, B2 (no deeper than B9: インターシティB21階 is a building B and its 21st floor)
      bool b = last != kNone && last + 1 == start && s[last] == 'B' && at - start == 1;
      bool chika = beforeLast != kNone && beforeLast + kChika.size() == start && StartsWith(s, beforeLast, kChika);
      last = beforeLast = kNone;
      if (Skip(s, at, kKai) || Skip(s, at, "F") || ((b || chika) && at == s.size())) {
        if (b || chika) text.resize(text.size() - (b ? 1 : kChika.size()));
        rest.floor = b || chika ? -1 : n;
        rest.floorAt = start - (b ? 1 : chika ? kChika.size() : 0);
        phase = kTrailing;
        continue;
      }
      if (phase == kTrailing) continue;  // a room number, or the like
      if (rest.count < AddressRest::kMaxNumbers) rest.numbers[rest.count++] = n;
      if (rest.count == 1 && Skip(s, at, kChome)) rest.hasChome = true;
      if (Skip(s, at, kBanchi) || Skip(s, at, kBan)) rest.banchiWord = rest.banchiWord || rest.count == 1;
      Skip(s, at, kGo) || Skip(s, at, kChiwari) || Skip(s, at, kSen);
      phase = kBlock;
      continue;
    }
    if (phase == kBlock && (s[at] == '-' || (StartsWith(s, at, kNo) && at + 2 < s.size() && IsAsciiDigit(s[at + 2])))) {
      at += s[at] == '-' ? 1 : 2;
      last = beforeLast = kNone;
      continue;
    }
    std::size_t n = CharLength(s, at);
    if (phase == kBlock) {
      phase = kTrailing;
      rest.end = at;
    }
    (phase == kLeading ? rest.leading : rest.trailing).append(s.substr(at, n));
    beforeLast = last;
    last = at;
    at += n;
  }
  if (phase == kBlock) rest.end = s.size();
  return rest;
}

namespace {

// Splits at the top-level 、 (not inside 「」).
std::vector<std::string_view> SplitItems(std::string_view note) {
  std::vector<std::string_view> items;
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t at = 0; at < note.size();) {
    if (StartsWith(note, at, kOpenQuote)) ++depth;
    if (StartsWith(note, at, kCloseQuote) && depth > 0) --depth;
    if (depth == 0 && StartsWith(note, at, kComma)) {
      items.push_back(note.substr(start, at - start));
      at += kComma.size();
      start = at;
      continue;
    }
    at += CharLength(note, at);
  }
  items.push_back(note.substr(start));
  return items;
}

// An item of block numbers ends with a number or a unit (１〜１９丁目, ２００番以上, 第１号);
// one that ends otherwise names a place, though it may hold numerals (北１区, 高倉通五条下る).
bool IsNumericItem(std::string_view item) {
  std::string_view stripped = item;
  // A name in 「」 after the numbers (３丁目１１番５〜８号「多の津団地」) does not count.
  if (EndsWith(stripped, kCloseQuote)) {
    std::size_t open = stripped.rfind(kOpenQuote);
    if (open != std::string_view::npos) stripped = stripped.substr(0, open);
  }
  if (!stripped.empty() && IsAsciiDigit(stripped.back())) return true;
  for (std::string_view unit : {kChome, kBanchi, kBan, kGo, kChiwari, kSen, kIjou, kIka})
    if (EndsWith(stripped, unit)) return stripped.find_first_of("0123456789") != std::string_view::npos;
  return false;
}

NoteItem ParseNumericItem(std::string_view item) {
  NoteItem out;
  int level = -1;
  bool rangeOpen = false;
  for (std::size_t at = 0; at < item.size();) {
    if (IsAsciiDigit(item[at])) {
      int32_t n = ReadNumber(item, at);
      if (rangeOpen && level >= 0) {
        out.high[level] = n;
        rangeOpen = false;
      } else if (level + 1 < NoteItem::kMaxLevels) {
        ++level;
        out.low[level] = out.high[level] = n;
      }
      if (level == 0 && StartsWith(item, at, kChome)) out.firstIsChome = true;
      if (level == 0 && (StartsWith(item, at, kBanchi) || StartsWith(item, at, kBan))) out.firstIsBanchi = true;
      continue;
    }
    if (Skip(item, at, kWave)) {
      rangeOpen = true;
      continue;
    }
    if (level >= 0 && Skip(item, at, kIjou)) {
      out.high[level] = INT32_MAX;
      continue;
    }
    if (level >= 0 && Skip(item, at, kIka)) {
      out.low[level] = 0;
      continue;
    }
    at += CharLength(item, at);
  }
  out.levels = level + 1;
  return out;
}

std::string WithoutQuotes(std::string_view text) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    if (Skip(text, at, kOpenQuote) || Skip(text, at, kCloseQuote)) continue;
    std::size_t n = CharLength(text, at);
    out.append(text.substr(at, n));
    at += n;
  }
  return out;
}

}  // namespace

TownNote ParseNote(std::string_view note) {
  TownNote out;
  if (note.empty()) return out;
  if (note == kSonota) {
    out.kind = TownNote::Kind::Other;
  } else if (note == kExceptBuildings) {
    out.kind = TownNote::Kind::ExceptBuildings;
  } else if (note == kFloorUnknown) {
    out.kind = TownNote::Kind::FloorUnknown;
  } else if (note == kChome) {
    out.kind = TownNote::Kind::ChomeForm;
  } else if (note == kBanchi || note == kOaza) {
    out.kind = TownNote::Kind::BanchiForm;
  } else if (EndsWith(note, kKai) && note.size() > kKai.size() &&
             note.find_first_not_of("0123456789") == note.size() - kKai.size()) {
    std::size_t at = 0;
    out.kind = TownNote::Kind::Floor;
    out.floor = ReadNumber(note, at);
  } else {
    out.kind = TownNote::Kind::Items;
    for (std::string_view item : SplitItems(note)) {
      if (IsNumericItem(item)) {
        out.items.push_back(ParseNumericItem(item));
      } else if (!item.empty()) {
        NoteItem named;
        named.name = WithoutQuotes(item);
        out.items.push_back(std::move(named));
      }
    }
  }
  return out;
}

int FitNumbers(const NoteItem& item, const AddressRest& rest) {
  if (item.levels == 0 || rest.count == 0) return 0;
  if (rest.hasChome && item.firstIsBanchi) return 0;
  if (item.firstIsChome && !rest.hasChome && rest.banchiWord && rest.count == 1) return 0;
  int n = rest.count < item.levels ? rest.count : item.levels;
  for (int i = 0; i < n; ++i)
    if (rest.numbers[i] < item.low[i] || rest.numbers[i] > item.high[i]) return 0;
  return rest.count < item.levels ? 1 : 2;
}

std::string StreetPosition(std::string_view s) {
  std::string out;
  for (std::size_t at = 0; at < s.size();) {
    if (Skip(s, at, kTori) || Skip(s, at, kSuji)) continue;
    // 上ル 下ル → 上る 下る; 東入ル 西入ル 東入る 西入る → 東入 西入; 上がる 下がる → 上る 下る.
    if (StartsWith(s, at, "\x8f\xe3") || StartsWith(s, at, "\x89\xba")) {  // 上 下
      out.append(s.substr(at, 2));
      at += 2;
      if (Skip(s, at, "\x83\x8b") || Skip(s, at, "\x82\xe9") || Skip(s, at, "\x83\x50\x82\xe9")) out += "\x82\xe9";
      continue;
    }
    if (StartsWith(s, at, "\x93\x8c\x93\xfc") || StartsWith(s, at, "\x90\xbc\x93\xfc")) {  // 東入 西入
      out.append(s.substr(at, 4));
      at += 4;
      Skip(s, at, "\x83\x8b") || Skip(s, at, "\x82\xe9");
      continue;
    }
    std::size_t n = CharLength(s, at);
    out.append(s.substr(at, n));
    at += n;
  }
  return out;
}

std::vector<std::size_t> DirectionWordEnds(std::string_view s) {
  std::vector<std::size_t> ends;
  for (std::size_t at = 0; at < s.size();) {
    bool upDown = StartsWith(s, at, "\x8f\xe3") || StartsWith(s, at, "\x89\xba");                    // 上 下
    bool eastWest = StartsWith(s, at, "\x93\x8c\x93\xfc") || StartsWith(s, at, "\x90\xbc\x93\xfc");  // 東入 西入
    if (upDown) {
      std::size_t end = at + 2;
      if (Skip(s, end, "\x83\x8b") || Skip(s, end, "\x82\xe9") || Skip(s, end, "\x83\x50\x82\xe9")) {
        ends.push_back(end);
        at = end;
        continue;
      }
    } else if (eastWest) {
      std::size_t end = at + 4;
      Skip(s, end, "\x83\x8b") || Skip(s, end, "\x82\xe9");
      ends.push_back(end);
      at = end;
      continue;
    }
    at += CharLength(s, at);
  }
  return ends;
}

}  // namespace tanzel
