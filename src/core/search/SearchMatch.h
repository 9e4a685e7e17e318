#pragma once

// The match rules of the keyword search, the joined copy of a line and the composition of
// a result row. Plain functions on Shift-JIS bytes; a line is the NUL-terminated text the
// line reader delivers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/data/DataFile.h"
#include "core/data/Records.h"
#include "core/search/SearchScan.h"

namespace tanzel {

// The keyword buffer: at most KeywordCapacity - 1 bytes of text and the terminator.
inline constexpr int KeywordCapacity = 100;

// True when `needle` occurs in text[0, len) at an offset that starts a character of the
// text (walking from its start: a lead byte and the byte after it form one character).
// An empty needle is found in every text.
bool SjisContains(const char* text, std::size_t len, std::string_view needle);
inline bool SjisContains(std::string_view text, std::string_view needle) {
  return SjisContains(text.data(), text.size(), needle);
}

// The joined copy of a line: commas 4, 5, 7 and 8 (address line) or 4, 5 and 6 (office
// line) dropped, so that the kana and the kanji address parts run together, and every
// double quote deleted. `out` needs room for len bytes; returns the copy's length (no
// terminator is written).
std::size_t JoinedCopy(const char* line, std::size_t len, DataKind kind, char* out);

// How a rule compares: exactly as the bytes are, or folded (FoldKana on both the keyword
// and the line), and whether the "other addresses" lines may be hits.
struct MatchOptions {
  bool fold = false;
  bool keepCatchAll = false;
};

// The length of the town name before the block a keyword ends in (丸の内 of 丸の内2丁目,
// 丸の内２－４, 丸の内二丁目三番), or 0 when it ends in none. A block is numbers with 丁目,
// 番地, 番 or 号 after them or hyphen-like marks between them (kanji numerals only before a
// unit).
std::size_t TownBeforeBlock(std::string_view sjis);

// Mode 0: the keyword rule, prepared once per search. Beside the keyword itself, a keyword
// that ends in a block finds the address lines of the towns it names (a town name of
// exactly that text), and, as typed, its block in the data's own forms too (丸の内2丁目 finds
// 丸の内２丁目); a keyword with a name variant (霞ヶ関, 丸ノ内, 市ヶ谷, 髙田) finds the data's
// spelling of it (FoldNameVariants on both sides, before FoldKana where matched folded).
class KeywordRule {
 public:
  KeywordRule() = default;
  // `keyword` must not be empty. With `options.fold` the keyword is folded here.
  explicit KeywordRule(std::string_view keyword, MatchOptions options = {});

  // The town name a keyword that ends in a block names (folded as the keyword), or empty.
  const std::string& TownPart() const { return townPart_; }
  // The prefilter for this rule: every line it may find holds what the prefilter looks for.
  Prefilter MakePrefilter() const;

  const std::string& Keyword() const { return keyword_; }
  // The keyword without its first hyphen-minus, tried on the raw line; only when it is
  // not empty (a lone "-" must not match every line).
  bool HasRetry() const { return hasRetry_; }
  const std::string& Retry() const { return retry_; }
  const MatchOptions& Options() const { return options_; }

  // Whether the line (its first `len` bytes, no NUL among them) is a hit.
  bool Matches(const char* line, std::size_t len, DataKind kind) const;

 private:
  std::size_t Fold(const char* text, std::size_t len, char* out) const;
  bool NamesTown(const char* line, std::size_t len) const;

  std::string keyword_;
  std::string retry_;
  bool hasRetry_ = false;
  MatchOptions options_;
  std::string variant_;     // the keyword folded by FoldNameVariants and FoldKana, where it holds a variant
  std::string townPart_;    // the town a block keyword names (folded like variant_ when matched folded)
  std::string alternate_;   // as typed, a block keyword in the data's own forms, where they differ
  std::string filter_;      // what every line this rule finds holds (the keyword where empty)
  bool everyLine_ = false;  // no such text: the prefilter passes every line
};

// Mode 1: an address line of one city whose town name holds the keyword (folded, in the
// tolerant pass, the town name or its reading).
class TownRule {
 public:
  TownRule() = default;
  TownRule(std::string_view keyword, std::string_view prefName, std::string_view cityCode, MatchOptions options = {});

  const std::string& Keyword() const { return keyword_; }
  bool Matches(const char* line, std::size_t len) const;

 private:
  std::string keyword_;
  std::string prefName_;
  int32_t cityCode_ = 0;
  MatchOptions options_;
};

// The five texts of a result row (grid columns 0 to 4), NUL-terminated Shift-JIS.
struct ResultRow {
  char PostalCode[9];  // "123-4567"
  char Kanji[1190];    // address in kanji, or the office name
  char Kana[416];      // address in kana, or the office reading
  char Code[12];       // local government code, "%05d"
  char Address[672];   // office address; empty for an address hit

  std::string_view Cell(int column) const;
};

void MakeRow(const KenRecord& rec, ResultRow& row);
void MakeRow(const JigRecord& rec, ResultRow& row);

}  // namespace tanzel
