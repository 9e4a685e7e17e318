#include "core/search/SearchMatch.h"

#include <cstdio>
#include <cstring>

#include "core/text/NameVariants.h"
#include "core/text/Normalize.h"
#include "core/text/SjisText.h"

namespace tanzel {

namespace {

// Length of the character starting at text[i] within text[0, len).
inline std::size_t CharLength(const char* text, std::size_t len, std::size_t i) {
  return IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < len ? 2 : 1;
}

// Appends `s` to out[0, used) within `capacity` bytes (terminator included).
void Append(char* out, std::size_t capacity, std::size_t& used, const char* s) {
  std::size_t n = std::strlen(s);
  if (n > capacity - 1 - used) n = capacity - 1 - used;
  std::memcpy(out + used, s, n);
  used += n;
  out[used] = '\0';
}

template <std::size_t N>
void Join(char (&out)[N], std::initializer_list<const char*> parts) {
  std::size_t used = 0;
  out[0] = '\0';
  for (const char* p : parts) Append(out, N, used, p);
}

template <std::size_t N>
void PostalCell(char (&out)[9], const char (&code)[N]) {
  std::size_t len = strnlen(code, N);
  if (len < 3) {
    std::memcpy(out, code, len);
    out[len] = '\0';
    return;
  }
  std::size_t rest = len - 3 < 4 ? len - 3 : 4;
  std::memcpy(out, code, 3);
  out[3] = '-';
  std::memcpy(out + 4, code + 3, rest);
  out[4 + rest] = '\0';
}

void CodeCell(char (&out)[12], int32_t code) {
  std::snprintf(out, sizeof out, "%05d", static_cast<int>(code));
}

}  // namespace

bool SjisContains(const char* text, std::size_t len, std::string_view needle) {
  if (needle.empty()) return true;
  if (needle.size() > len) return false;
  std::size_t boundary = 0;  // a character start at or before the next occurrence
  const char* end = text + len;
  const char* from = text;
  while (static_cast<std::size_t>(end - from) >= needle.size()) {
    const void* found = memmem(from, static_cast<std::size_t>(end - from), needle.data(), needle.size());
    if (found == nullptr) return false;
    std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - text);
    while (boundary < at) boundary += CharLength(text, len, boundary);
    if (boundary == at) return true;
    from = text + at + 1;
  }
  return false;
}

std::size_t JoinedCopy(const char* line, std::size_t len, DataKind kind, char* out) {
  std::size_t n = 0;
  int comma = 0;
  for (std::size_t i = 0; i < len; ++i) {
    char c = line[i];
    if (c == '"') continue;
    if (c == ',') {
      ++comma;
      bool drop = kind == DataKind::Ken ? (comma == 4 || comma == 5 || comma == 7 || comma == 8)
                                        : (comma == 4 || comma == 5 || comma == 6);
      if (drop) continue;
    }
    out[n++] = c;
  }
  return n;
}

namespace {

bool IsHyphenLike(unsigned code) {
  return code == '-' || code == 0x815D || code == 0x817C || code == 0x815B || code == 0x815C;
}

// The length of the unit (丁目 番地 番 号) at s[at], or 0.
std::size_t UnitAt(std::string_view s, std::size_t at) {
  for (std::string_view unit : {"\x92\x9a\x96\xda", "\x94\xd4\x92\x6e", "\x94\xd4", "\x8d\x86"})
    if (s.compare(at, unit.size(), unit) == 0) return unit.size();
  return 0;
}

// Whether s (all of it) is a block: numbers, each with a unit or a hyphen-like mark after it
// but the last, which may stand bare after a mark; kanji numerals only before a unit.
bool IsBlock(std::string_view s) {
  std::size_t at = 0;
  bool marked = false;  // a unit or a mark seen
  while (at < s.size()) {
    std::size_t start = at, length;
    bool kanji = false;
    while (at < s.size()) {
      unsigned code = SjisCodeAt(s, at, length);
      if (!IsNumeralCode(code)) break;
      kanji = kanji || (code > 0xFF && !(code >= 0x824F && code <= 0x8258));
      at += length;
    }
    if (at == start) return false;
    if (std::size_t unit = UnitAt(s, at)) {
      at += unit;
      marked = true;
    } else if (kanji) {
      return false;
    }
    if (at < s.size() && IsHyphenLike(SjisCodeAt(s, at, length))) {
      at += length;
      marked = true;
      if (at == s.size()) return false;
    } else if (at < s.size() && UnitAt(s, at) == 0) {
      return false;
    }
  }
  return marked;
}

}  // namespace

std::size_t TownBeforeBlock(std::string_view sjis) {
  std::size_t length;
  unsigned previous = 0;
  for (std::size_t at = 0; at < sjis.size(); at += length) {
    unsigned code = SjisCodeAt(sjis, at, length);
    if (at > 0 && IsNumeralCode(code) && !IsNumeralCode(previous) && IsBlock(sjis.substr(at))) return at;
    previous = code;
  }
  return 0;
}

KeywordRule::KeywordRule(std::string_view keyword, MatchOptions options) : keyword_(keyword), options_(options) {
  std::size_t townLength = TownBeforeBlock(keyword);
  std::string town(keyword.substr(0, townLength));
  // The retry rule's keyword, and the raw line, must hold it too.
  if (town.find_first_of("-\",") != std::string::npos) town.clear();
  // A keyword with a name variant: what every spelling of it holds is the prefilter's.
  if (HasVariantPlace(keyword) && keyword.find_first_of("-\",") == std::string_view::npos) {
    variant_ = FoldNameVariants(keyword);
    filter_ = StableStretch(town.empty() ? keyword : std::string_view(town));
    everyLine_ = filter_.empty();  // nothing holds still: every line goes to the rule
    town = FoldNameVariants(town);
  }
  // As typed, a block keyword also finds its block in the data's own forms (丸の内２丁目).
  // The town part must stay as typed in that form (the prefilter looks for it): a town part
  // that is itself a mark the block's form rewrites (－ before a number) gets none.
  const std::string_view typedTown = keyword.substr(0, townLength);
  if (!town.empty() && !options_.fold && DataFormOfKeyword(typedTown) == typedTown) {
    std::string data = DataFormOfKeyword(keyword);
    if (data != keyword && data.starts_with(typedTown)) alternate_ = std::move(data);
  }
  if (options_.fold) {
    for (std::string* s : {&keyword_, &variant_, &filter_, &town}) FoldKana(s->data(), s->size());
  }
  townPart_ = std::move(town);
  if (filter_.empty()) filter_ = townPart_;
  retry_ = keyword_;
  if (auto hyphen = retry_.find('-'); hyphen != std::string::npos) retry_.erase(hyphen, 1);
  hasRetry_ = !retry_.empty();
}

Prefilter KeywordRule::MakePrefilter() const {
  if (everyLine_) return Prefilter::ForKeyword({}, {}, false, options_.fold);
  if (!filter_.empty()) return Prefilter::ForKeyword(filter_, {}, false, options_.fold);
  return Prefilter::ForKeyword(keyword_, retry_, hasRetry_, options_.fold);
}

// Folds text of a line as the keyword was folded; returns its length in `out`.
std::size_t KeywordRule::Fold(const char* text, std::size_t len, char* out) const {
  std::size_t n = len;
  if (variant_.empty())
    std::memcpy(out, text, len);
  else
    n = FoldNameVariants(text, len, out);
  if (options_.fold) FoldKana(out, n);
  return n;
}

// An address line whose town name (its note left off) is the town part.
bool KeywordRule::NamesTown(const char* line, std::size_t len) const {
  const char* p = line;
  const char* end = line + len;
  const char* field = nullptr;
  for (int i = 0; i < 9; ++i) {
    const void* c = std::memchr(p, ',', static_cast<std::size_t>(end - p));
    if (c == nullptr) return false;
    if (i == 7) field = static_cast<const char*>(c) + 1;
    p = static_cast<const char*>(c) + 1;
  }
  std::string_view town(field, static_cast<std::size_t>(p - 1 - field));
  if (town.size() >= 2 && town.front() == '"' && town.back() == '"') town = town.substr(1, town.size() - 2);
  for (std::size_t at = 0, length; at < town.size(); at += length) {
    if (SjisCodeAt(town, at, length) == 0x8169) {  // （
      town = town.substr(0, at);
      break;
    }
  }
  char folded[ReadBlockSize];
  return std::string_view(folded, Fold(town.data(), town.size(), folded)) == townPart_;
}

bool KeywordRule::Matches(const char* line, std::size_t len, DataKind kind) const {
  char copy[ReadBlockSize] = {};
  bool hit = false;
  if (len <= sizeof copy) {
    if (!variant_.empty()) {
      // Within one field: 市ヶ谷 is no 函館市 before 谷地頭町.
      std::size_t n = 0;
      for (std::size_t i = 0; i < len; ++i)
        if (line[i] != '"') copy[n++] = line[i];
      char folded[ReadBlockSize];
      hit = SjisContains(folded, Fold(copy, n, folded), variant_);
    }
    std::size_t n = JoinedCopy(line, len, kind, copy);
    hit = hit || (!alternate_.empty() && SjisContains(copy, n, alternate_));
    if (options_.fold) FoldKana(copy, n);
    hit = hit || SjisContains(copy, n, keyword_);
  }
  if (!hit && kind == DataKind::Ken && !townPart_.empty()) hit = NamesTown(line, len);
  if (!hit && hasRetry_) {
    if (!options_.fold) {
      hit = SjisContains(line, len, retry_);
    } else if (len <= sizeof copy) {
      std::memcpy(copy, line, len);
      FoldKana(copy, len);
      hit = SjisContains(copy, len, retry_);
    }
  }
  return hit && (options_.keepCatchAll || !SjisContains(line, len, kCatchAllTown));
}

TownRule::TownRule(std::string_view keyword, std::string_view prefName, std::string_view cityCode, MatchOptions options)
    : keyword_(keyword), prefName_(prefName), cityCode_(ParseAtol(std::string(cityCode).c_str())), options_(options) {
  if (options_.fold) FoldKana(keyword_.data(), keyword_.size());
}

bool TownRule::Matches(const char* line, std::size_t len) const {
  // Commas 1 ... 9 of the line: column 1 ends at the first, column 7 lies between the sixth
  // and the seventh, column 9 between the eighth and the ninth.
  const char* commas[9];
  const char* p = line;
  const char* end = line + len;
  for (int i = 0; i < 9; ++i) {
    const void* c = std::memchr(p, ',', static_cast<std::size_t>(end - p));
    if (c == nullptr) return false;  // a line without all nine columns is no hit
    commas[i] = static_cast<const char*>(c);
    p = commas[i] + 1;
  }
  // The code: column 1 by the atol rule (the comma ends its digits).
  if (ParseAtol(line) != cityCode_) return false;
  auto inner = [](const char* begin, const char* stop) {
    std::size_t n = static_cast<std::size_t>(stop - begin);
    return n >= 2 ? std::string_view(begin + 1, n - 2) : std::string_view();
  };
  std::string_view pref = inner(commas[5] + 1, commas[6]);
  std::string_view town = inner(commas[7] + 1, commas[8]);
  if (!SjisContains(pref, prefName_)) return false;
  if (!options_.fold) return SjisContains(town, keyword_);
  // The tolerant pass also finds the town by its reading (the kana column).
  std::string_view kana = inner(commas[4] + 1, commas[5]);
  char folded[ReadBlockSize];
  for (std::string_view column : {town, kana}) {
    std::memcpy(folded, column.data(), column.size());
    FoldKana(folded, column.size());
    if (SjisContains(folded, column.size(), keyword_)) return true;
  }
  return false;
}

std::string_view ResultRow::Cell(int column) const {
  switch (column) {
    case 0:
      return PostalCode;
    case 1:
      return Kanji;
    case 2:
      return Kana;
    case 3:
      return Code;
    case 4:
      return Address;
    default:
      return {};
  }
}

void MakeRow(const KenRecord& rec, ResultRow& row) {
  PostalCell(row.PostalCode, rec.PostalCode);
  Join(row.Kanji, {rec.PrefKanji, rec.CityKanji, rec.TownKanji});
  Join(row.Kana, {rec.PrefKana, rec.CityKana, rec.TownKana});
  CodeCell(row.Code, rec.LocalGovCode);
  row.Address[0] = '\0';
}

void MakeRow(const JigRecord& rec, ResultRow& row) {
  PostalCell(row.PostalCode, rec.PostalCode);
  Join(row.Kanji, {rec.OfficeKanji});
  Join(row.Kana, {rec.OfficeKana});
  CodeCell(row.Code, rec.LocalGovCode);
  Join(row.Address, {rec.PrefKanji, rec.CityKanji, rec.TownKanji, rec.BlockKanji});
}

}  // namespace tanzel
