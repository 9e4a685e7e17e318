#include "core/resolve/ResolveCommand.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#include "core/resolve/AddressIndex.h"
#include "core/resolve/Resolver.h"
#include "core/text/Normalize.h"
#include "core/text/SjisText.h"
#include "core/text/TextEncoding.h"

namespace tanzel {

namespace {

// One output line for one address (Shift-JIS, or nothing when it could not be read);
// true when it resolved to one code.
bool ResolveLine(const AddressIndex& index, const std::optional<std::string>& sjis, std::string& line) {
  line.clear();
  ResolveAnswer answer;
  if (sjis) answer = ResolveAddress(index, *sjis);
  if (answer.codes.empty()) {
    line = "\t\t\n";
    return false;
  }
  bool ambiguous = answer.certainty == Certainty::Ambiguous;
  if (ambiguous) line = "\t\tambiguous";
  char code[16];
  std::vector<Resolution> all = answer.codes;
  all.insert(all.end(), answer.also.begin(), answer.also.end());
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (i > 0 || ambiguous) line += '\t';
    std::snprintf(code, sizeof code, "%07u", all[i].postal);
    line += code;
    line += '\t';
    line += SjisToUtf8(RecordText(index, all[i]));
    line += '\t';
    line += MatchKindWord(all[i].kind);
  }
  line += '\n';
  return !ambiguous;
}

}  // namespace

int ResolveAddresses(const DataSet& data, const std::vector<const char*>& addresses, std::FILE* in, std::FILE* out,
                     std::FILE* err) {
  std::string error;
  // One edition for every address, whatever imports run meanwhile.
  std::shared_ptr<const AddressIndex> index = data.Index(error);
  if (!index) {
    std::fprintf(err, "tanzel-search: %s%s cannot be read\n", data.EditionFolder().c_str(), error.c_str());
    return 3;
  }
  bool all = true;
  std::string line;
  auto put = [&](const std::optional<std::string>& sjis) {
    all = ResolveLine(*index, sjis, line) && all;
    std::fwrite(line.data(), 1, line.size(), out);
  };
  auto utf8 = [](std::string_view text) { return IsValidUtf8(text) ? Utf8ToSjis(text) : std::optional<std::string>(); };
  if (!addresses.empty()) {
    for (const char* address : addresses) put(utf8(address));
  } else {
    // The whole input first: UTF-8 (with or without its mark) or Shift-JIS, as spreadsheets
    // write it; anything else is refused, naming the line, rather than misread.
    std::string text;
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, got);
    std::optional<TextEncoding> encoding = DetectTextEncoding(text);
    if (!encoding) {
      std::fprintf(err, "tanzel-search: line %zu of the input is neither UTF-8 nor Shift-JIS\n",
                   FirstInvalidLine(text, TextEncoding::Utf8));
      return 1;
    }
    std::string_view rest = text;
    if (*encoding == TextEncoding::Utf8Bom) rest.remove_prefix(3);
    while (!rest.empty()) {
      std::size_t end = rest.find('\n');
      std::string_view address = rest.substr(0, end);
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
      while (!address.empty() && address.back() == '\r') address.remove_suffix(1);
      put(*encoding == TextEncoding::Cp932 ? std::optional<std::string>(std::string(address)) : utf8(address));
    }
  }
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fputs("tanzel-search: the output could not be written\n", err);
    return 4;
  }
  return all ? 0 : 1;
}

}  // namespace tanzel
