#include "core/text/SjisText.h"

#include "core/text/Normalize.h"

#include <iconv.h>
#include <cerrno>

namespace tanzel {

namespace {

// One iconv descriptor per call: cheap enough for the boundary conversions, and safe
// from any thread.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (valid()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

std::size_t SjisFitLength(const char* s, std::size_t len, std::size_t maxBytes) {
  if (len <= maxBytes) {
    // The whole text fits, unless it ends in a lone lead byte we would keep anyway.
    return len;
  }
  std::size_t i = 0;
  while (i < maxBytes) {
    std::size_t step = IsSjisLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    if (i + step > maxBytes) break;
    i += step;
  }
  return i;
}

bool SjisIsBoundary(const char* s, std::size_t offset) {
  std::size_t i = 0;
  while (i < offset) {
    if (s[i] == '\0') return false;
    i += IsSjisLeadByte(static_cast<unsigned char>(s[i])) && s[i + 1] != '\0' ? 2 : 1;
  }
  return i == offset;
}

std::string SjisToUtf8(std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size() * 3 / 2 + 4);
  Iconv cv("UTF-8", "CP932");
  if (!cv.valid()) return out;
  char* in = const_cast<char*>(sjis.data());
  std::size_t inLeft = sjis.size();
  char buf[512];
  while (inLeft > 0) {
    char* outPtr = buf;
    std::size_t outLeft = sizeof buf;
    std::size_t r = iconv(cv.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buf, static_cast<std::size_t>(outPtr - buf));
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (a lead byte at the end): replace one byte and go on.
      out.append("\xEF\xBF\xBD");
      ++in;
      --inLeft;
      iconv(cv.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

std::optional<std::string> Utf8ToSjis(std::string_view typed) {
  // Decomposed kana (シ + U+3099, as some systems paste them) have no Shift-JIS form until
  // they are composed.
  std::string composed = ComposeNfc(typed);
  std::string_view utf8 = composed;
  std::string out;
  Iconv cv("CP932", "UTF-8");
  if (!cv.valid()) return std::nullopt;
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char buf[512];
  while (inLeft > 0) {
    char* outPtr = buf;
    std::size_t outLeft = sizeof buf;
    std::size_t r = iconv(cv.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buf, static_cast<std::size_t>(outPtr - buf));
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      return std::nullopt;
    }
  }
  return out;
}

std::optional<std::string> Utf8ToSjis(std::string_view utf8, std::size_t maxBytes) {
  auto sjis = Utf8ToSjis(utf8);
  if (sjis) sjis->resize(SjisFitLength(sjis->data(), sjis->size(), maxBytes));
  return sjis;
}

}  // namespace tanzel
