#pragma once

// Finding the lines of a data file that may be hits without looking at every line: the
// file is read in large blocks of whole lines, and a fast byte search over each block
// points at the few lines worth the exact match rule.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/data/DataFile.h"

namespace tanzel {

// A necessary condition for a hit, tested on a whole block of lines at once. A line can
// only be a hit if, with the "transparent" bytes (double quote and comma in the keyword
// search, none in the town search) removed, it contains one of up to two patterns. A
// folding prefilter (for rules that match folded, see FoldKana) lets each character of a
// pattern stand for its unfolded forms too.
class Prefilter {
 public:
  Prefilter() = default;

  // Keyword search: the joined copy holds the keyword, or the raw line holds the keyword
  // without its first hyphen (`retry`, when `hasRetry`).
  static Prefilter ForKeyword(std::string_view keyword, std::string_view retry, bool hasRetry, bool fold = false);
  // Town search: the raw line holds the keyword.
  static Prefilter ForTown(std::string_view keyword, bool fold = false);

  // True when every line must go to the exact rule (a pattern is empty).
  bool EveryLine() const { return everyLine_; }

  // Where the search of one block stands; reset it (Cursor{}) for every new block.
  struct Cursor {
    std::size_t next[2] = {0, 0};  // next verified occurrence of each pattern, once found
    bool known[2] = {false, false};
  };

  // The start of the next line at or after `from` that may hold a hit, within the block
  // data[0, len) that starts at a line start and holds whole lines; `from` is a line start
  // too, and grows from call to call within one block. Returns len when there is none.
  // Lines of the block are framed as FrameLength frames them.
  std::size_t NextCandidate(const char* data, std::size_t len, std::size_t from, Cursor& cursor) const;

 private:
  struct Pattern {
    std::string bytes;   // without transparent bytes; never empty when used
    std::string other;   // byte k may also be other[k] (the same byte when it may not)
    std::size_t anchor;  // index of its rarest byte (a byte that may be either of two counts as the commoner)
  };
  void Add(std::string pattern, bool fold);
  // First position at or after `from` where pattern p's anchor byte starts an occurrence
  // of p (transparent bytes skipped). Returns len when there is none.
  std::size_t NextOccurrence(const Pattern& p, const char* data, std::size_t len, std::size_t from) const;
  bool Transparent(unsigned char c) const { return skipQuoteComma_ && (c == '"' || c == ','); }

  Pattern patterns_[2];
  int count_ = 0;
  bool everyLine_ = false;
  bool skipQuoteComma_ = false;
};

// Reads a data file in blocks of whole lines (framed like LineReader's) through one fixed
// buffer. Opening and closing are the same as LineReader's.
class BlockReader {
 public:
  bool Open(const char* path) { return input_.Open(path); }
  void Close() { input_.Close(); }

  // The next block: it starts at a line start and ends after a line feed, at the end of
  // the file, or after whole ReadBlockSize lines of a stretch without line feeds. False
  // when no byte is left (or a read failed).
  bool Next(const char*& data, std::size_t& len);

 private:
  static constexpr std::size_t kBufferSize = 256 * 1024;
  ReadAhead<kBufferSize> input_;
};

}  // namespace tanzel
