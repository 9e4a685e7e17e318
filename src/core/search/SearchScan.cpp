#include "core/search/SearchScan.h"

#include <algorithm>
#include <cstring>

#include "core/text/Normalize.h"
#include "core/text/SjisText.h"

namespace tanzel {

namespace {

// How common each byte value is in the data files (0 = rarest). The anchor of a pattern is
// its rarest byte, so that the byte search stops as seldom as possible.
constexpr unsigned char kByteRank[256] = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   232, 10,  11,  233, 12,  13,  14,  15,  16,  17,  18,  19,
    20,  21,  22,  23,  24,  25,  26,  27,  28,  29,  241, 45,  254, 30,  31,  32,  43,  33,  110, 112, 34,  35,
    253, 103, 49,  46,  252, 251, 249, 245, 244, 237, 239, 225, 236, 238, 44,  36,  47,  37,  48,  38,  176, 193,
    97,  234, 79,  242, 126, 170, 131, 212, 227, 209, 215, 172, 211, 198, 231, 171, 207, 197, 199, 147, 248, 187,
    182, 154, 168, 158, 132, 111, 205, 186, 224, 128, 162, 201, 125, 152, 120, 208, 174, 204, 192, 177, 157, 196,
    184, 178, 87,  190, 138, 230, 195, 169, 104, 114, 164, 99,  175, 194, 165, 221, 202, 39,  140, 214, 240, 255,
    206, 144, 185, 220, 210, 235, 218, 226, 247, 219, 246, 228, 229, 213, 243, 250, 203, 217, 222, 191, 146, 94,
    150, 142, 82,  61,  180, 163, 107, 118, 129, 81,  153, 53,  80,  223, 73,  105, 189, 84,  216, 102, 167, 85,
    63,  65,  101, 88,  155, 67,  98,  139, 54,  149, 173, 78,  181, 136, 83,  77,  109, 72,  119, 166, 71,  64,
    93,  116, 121, 141, 134, 123, 106, 90,  137, 60,  143, 91,  52,  59,  135, 57,  100, 56,  122, 70,  145, 96,
    92,  74,  113, 86,  130, 66,  127, 179, 159, 183, 188, 133, 151, 160, 156, 58,  200, 75,  89,  161, 108, 76,
    148, 68,  55,  69,  95,  62,  51,  50,  124, 115, 117, 40,  41,  42};

}  // namespace

Prefilter Prefilter::ForKeyword(std::string_view keyword, std::string_view retry, bool hasRetry, bool fold) {
  Prefilter f;
  f.skipQuoteComma_ = true;
  auto strip = [](std::string_view s) {
    std::string out;
    for (char c : s)
      if (c != '"' && c != ',') out += c;
    return out;
  };
  // The joined copy is the raw line without quotes and some commas: where it holds the
  // keyword, the raw line without any quote or comma holds the keyword without commas. A
  // keyword with a quote cannot be in the joined copy at all.
  if (keyword.find('"') == std::string_view::npos) f.Add(strip(keyword), fold);
  if (hasRetry) f.Add(strip(retry), fold);
  return f;
}

Prefilter Prefilter::ForTown(std::string_view keyword, bool fold) {
  Prefilter f;
  f.Add(std::string(keyword), fold);
  return f;
}

void Prefilter::Add(std::string pattern, bool fold) {
  if (pattern.empty()) {
    everyLine_ = true;
    return;
  }
  for (int i = 0; i < count_; ++i)
    if (patterns_[i].bytes == pattern) return;
  std::string other = pattern;
  if (fold) {
    for (std::size_t i = 0; i + 1 < pattern.size();) {
      auto lead = static_cast<unsigned char>(pattern[i]);
      if (!IsSjisLeadByte(lead)) {
        ++i;
        continue;
      }
      if (unsigned char t = UnfoldedTrail(lead, static_cast<unsigned char>(pattern[i + 1])))
        other[i + 1] = static_cast<char>(t);
      i += 2;
    }
  }
  // A byte that may be either of two is as common as the commoner of them.
  auto rank = [&](std::size_t i) {
    return std::max(kByteRank[static_cast<unsigned char>(pattern[i])], kByteRank[static_cast<unsigned char>(other[i])]);
  };
  std::size_t anchor = 0;
  for (std::size_t i = 1; i < pattern.size(); ++i)
    if (rank(i) < rank(anchor)) anchor = i;
  patterns_[count_++] = Pattern{std::move(pattern), std::move(other), anchor};
}

std::size_t Prefilter::NextOccurrence(const Pattern& p, const char* data, std::size_t len, std::size_t from) const {
  const std::string& bytes = p.bytes;
  const std::string& other = p.other;
  const std::size_t m = bytes.size();
  const char anchorByte = bytes[p.anchor];
  const char otherAnchorByte = other[p.anchor];
  // The next place of each anchor byte at or after pos (len when there is none).
  auto next = [&](char byte, std::size_t pos) {
    const void* hit = std::memchr(data + pos, byte, len - pos);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data) : len;
  };
  std::size_t pos = from;
  std::size_t nextOther = otherAnchorByte != anchorByte ? next(otherAnchorByte, pos) : len;
  while (pos < len) {
    std::size_t at = next(anchorByte, pos);
    if (otherAnchorByte != anchorByte) {
      if (nextOther < pos) nextOther = next(otherAnchorByte, pos);
      at = std::min(at, nextOther);
    }
    if (at >= len) return len;
    bool ok = true;
    // Backwards from the anchor, then forwards, each pattern byte after any transparent ones.
    std::size_t q = at;
    for (std::size_t k = p.anchor; ok && k-- > 0;) {
      do {
        if (q == 0) {
          ok = false;
          break;
        }
        --q;
      } while (Transparent(static_cast<unsigned char>(data[q])));
      ok = ok && (data[q] == bytes[k] || data[q] == other[k]);
    }
    q = at;
    for (std::size_t k = p.anchor + 1; ok && k < m; ++k) {
      do {
        if (++q >= len) {
          ok = false;
          break;
        }
      } while (Transparent(static_cast<unsigned char>(data[q])));
      ok = ok && (data[q] == bytes[k] || data[q] == other[k]);
    }
    if (ok) return at;
    pos = at + 1;
  }
  return len;
}

std::size_t Prefilter::NextCandidate(const char* data, std::size_t len, std::size_t from, Cursor& cursor) const {
  if (from >= len) return len;
  if (everyLine_) return from;
  std::size_t best = len;
  for (int i = 0; i < count_; ++i) {
    if (!cursor.known[i] || cursor.next[i] < from) {
      cursor.next[i] = NextOccurrence(patterns_[i], data, len, from);
      cursor.known[i] = true;
    }
    if (cursor.next[i] < best) best = cursor.next[i];
  }
  if (best >= len) return len;
  // The line that holds `best`: lines start after each line feed and, in a stretch without
  // one, every ReadBlockSize bytes; `from` is a line start.
  std::size_t stretch = from;
  if (best > from) {
    if (const void* lf = memrchr(data + from, '\n', best - from))
      stretch = static_cast<std::size_t>(static_cast<const char*>(lf) - data) + 1;
  }
  return stretch + (best - stretch) / ReadBlockSize * ReadBlockSize;
}

bool BlockReader::Next(const char*& data, std::size_t& len) {
  if (!input_.IsOpen()) return false;
  std::size_t size = input_.Refill(kBufferSize);
  if (size == 0) return false;
  std::size_t blockEnd = size;
  if (!input_.AtEnd()) {
    if (const void* lf = memrchr(input_.Data(), '\n', size)) {
      blockEnd = static_cast<std::size_t>(static_cast<const char*>(lf) - input_.Data()) + 1;
    } else {
      // A stretch without line feeds as long as the buffer: its whole lines.
      blockEnd = size / ReadBlockSize * ReadBlockSize;
    }
  }
  data = input_.Data();
  len = blockEnd;
  input_.Consume(blockEnd);
  return true;
}

}  // namespace tanzel
