// libFuzzer target: line framing, splitting and matching on arbitrary bytes. The block
// prefilter must find exactly the lines the match rules find line by line, and no input
// may make the framing, the rules, the split or the row composition misbehave.
//
// Input: byte 0 selects the rule and the file kind, byte 1 the keyword length (0 ... 15),
// then the keyword, then the file's bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/data/DataFile.h"
#include "core/search/SearchMatch.h"
#include "core/search/SearchScan.h"
#include "core/text/SjisText.h"

using namespace tanzel;

namespace {

// Boundary containment the slow way: try every character start.
bool SlowContains(const char* text, std::size_t len, const std::string& needle) {
  if (needle.empty()) return true;
  for (std::size_t i = 0; i < len;) {
    if (len - i >= needle.size() && std::memcmp(text + i, needle.data(), needle.size()) == 0) return true;
    i += IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < len ? 2 : 1;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, std::size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = input[0];
  std::size_t keyLen = input[1] % 16;
  if (size < 2 + keyLen) return 0;
  std::string keyword(reinterpret_cast<const char*>(input + 2), keyLen);
  if (keyword.find('\0') != std::string::npos) return 0;  // a keyword never holds a NUL
  const char* data = reinterpret_cast<const char*>(input + 2 + keyLen);
  const std::size_t len = size - 2 - keyLen;

  const bool town = flags & 1;
  const DataKind kind = flags & 2 ? DataKind::Jig : DataKind::Ken;
  KeywordRule rule(keyword);
  TownRule townRule(keyword, std::string(keyword, 0, keyLen / 2), "0");

  auto matches = [&](const char* line, std::size_t n) {
    LineBuffer buf;
    std::memcpy(buf, line, n);
    buf[n] = '\0';
    std::size_t effective = strnlen(buf, n);
    if (SjisContains(buf, effective, keyword) != SlowContains(buf, effective, keyword)) std::abort();
    bool hit = town ? townRule.Matches(buf, effective) : (!keyword.empty() && rule.Matches(buf, effective, kind));
    if (hit) {
      ResultRow row;
      if (kind == DataKind::Ken) {
        static KenRecord rec;
        SplitKen(buf, rec);
        MakeRow(rec, row);
      } else {
        static JigRecord rec;
        SplitJig(buf, rec);
        MakeRow(rec, row);
      }
      for (int c = 0; c < 5; ++c)
        if (row.Cell(c).size() > 1200) std::abort();
    }
    return hit;
  };

  std::vector<std::size_t> expected, found;
  for (std::size_t at = 0; at < len;) {
    std::size_t n = FrameLength(data + at, len - at);
    if (n == 0 || n > static_cast<std::size_t>(ReadBlockSize)) std::abort();
    if (matches(data + at, n)) expected.push_back(at);
    at += n;
  }
  if (keyword.empty() && !town) return 0;
  Prefilter filter = town ? Prefilter::ForTown(keyword) : rule.MakePrefilter();
  Prefilter::Cursor cursor;
  for (std::size_t at = 0; (at = filter.NextCandidate(data, len, at, cursor)) < len;) {
    std::size_t n = FrameLength(data + at, len - at);
    if (matches(data + at, n)) found.push_back(at);
    at += n;
  }
  if (found != expected) std::abort();
  return 0;
}
