#include "core/text/SjisText.h"

#include "core/text/Normalize.h"

#include <iconv.h>
#include <cerrno>

namespace tanzel {

namespace {

// An iconv descriptor. Each thread keeps one per direction (opening one costs more than
// converting a name), brought back to its initial state before each text.
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

namespace {

// Converts `text` with `cv` into `out`. At a byte sequence that does not convert, either
// gives up (returns false) or, with `replace`, puts U+FFFD for one byte and goes on.
bool Convert(Iconv& cv, std::string_view text, std::string& out, bool replace) {
  iconv(cv.get(), nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char buf[512];
  while (inLeft > 0) {
    char* outPtr = buf;
    std::size_t outLeft = sizeof buf;
    std::size_t r = iconv(cv.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buf, static_cast<std::size_t>(outPtr - buf));
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      if (!replace) return false;
      // EILSEQ or EINVAL (a lead byte at the end): replace one byte and go on.
      out.append("\xEF\xBF\xBD");
      ++in;
      --inLeft;
      iconv(cv.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return true;
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size() * 3 / 2 + 4);
  thread_local Iconv cv("UTF-8", "CP932");
  if (cv.valid()) Convert(cv, sjis, out, true);
  return out;
}

std::optional<std::string> Utf8ToSjis(std::string_view typed) {
  // Decomposed kana (シ + U+3099, as some systems paste them) have no Shift-JIS form until
  // they are composed.
  std::string composed = ComposeNfc(typed);
  // Dashes Shift-JIS has no code for (‑ ‒ – ⁃ ﹘ ﹣ ➖ ˗), as word processors write them between
  // block numbers, are written '-'.
  static constexpr std::string_view kDashes[] = {"\xE2\x80\x91", "\xE2\x80\x92", "\xE2\x80\x93", "\xE2\x81\x83",
                                                 "\xEF\xB9\x98", "\xEF\xB9\xA3", "\xE2\x9E\x96", "\xCB\x97"};
  for (std::string_view dash : kDashes)
    for (std::size_t at = composed.find(dash); at != std::string::npos; at = composed.find(dash, at + 1))
      composed.replace(at, dash.size(), "-");
  std::string out;
  thread_local Iconv cv("CP932", "UTF-8");
  if (!cv.valid() || !Convert(cv, composed, out, false)) return std::nullopt;
  return out;
}

std::optional<std::string> Utf8ToSjis(std::string_view utf8, std::size_t maxBytes) {
  auto sjis = Utf8ToSjis(utf8);
  if (sjis) sjis->resize(SjisFitLength(sjis->data(), sjis->size(), maxBytes));
  return sjis;
}

}  // namespace tanzel
