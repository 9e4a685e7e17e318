#include "core/resolve/AnswerJson.h"

#include <cstdio>

#include "core/data/PostalText.h"
#include "core/text/Normalize.h"
#include "core/text/SjisText.h"

namespace tanzel {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The bytes of the UTF-8 character at the start of `text`; 0 when it is not one.
std::size_t Utf8CharLength(std::string_view text) {
  const auto c = static_cast<unsigned char>(text[0]);
  const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  return n != 0 && n <= text.size() && IsValidUtf8(text.substr(0, n)) ? n : 0;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  const bool valid = IsValidUtf8(text);
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (!valid && static_cast<unsigned char>(c) >= 0x80) {
      const std::size_t n = Utf8CharLength(text.substr(i));
      out += n == 0 ? kReplacement : text.substr(i, n);
      i += n == 0 ? 1 : n;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
    ++i;
  }
  out += '"';
}

void AppendAnswerJson(std::string& out, const AddressIndex& index, std::string_view utf8Address,
                      const ResolveAnswer& answer) {
  const bool one =
      (answer.certainty == Certainty::Sure || answer.certainty == Certainty::NotSure) && !answer.codes.empty();
  out += "{\"address\":";
  AppendJsonString(out, utf8Address);
  out += ",\"candidates\":[";
  std::string first;  // the first candidate's code, match and record, for an answer of one code
  for (std::size_t i = 0; i < answer.codes.size(); ++i) {
    const Resolution& r = answer.codes[i];
    if (i > 0) out += ',';
    out += "{\"code\":\"" + PostalDigits(r.postal) + "\",\"match\":\"" + MatchKindWord(r.kind) + "\",\"office\":";
    out += r.office ? "true" : "false";
    out += ",\"record\":";
    const std::size_t record = out.size();
    AppendJsonString(out, SjisToUtf8(RecordText(index, r)));
    if (i == 0 && one)
      first = "\"code\":\"" + PostalDigits(r.postal) + "\",\"match\":\"" + MatchKindWord(r.kind) +
              "\",\"record\":" + out.substr(record);
    out += '}';
  }
  out += "],\"certainty\":\"";
  out += CertaintyWord(answer.certainty);
  out += "\",";
  out += one ? first : std::string("\"code\":null,\"match\":null,\"record\":null");
  out += '}';
}

}  // namespace tanzel
