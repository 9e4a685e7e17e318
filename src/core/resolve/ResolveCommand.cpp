#include "core/resolve/ResolveCommand.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#include "core/data/Editions.h"
#include "core/resolve/IndexCache.h"
#include "core/resolve/Resolver.h"
#include "core/text/Normalize.h"
#include "core/text/SjisText.h"

namespace tanzel {

namespace {

// One output line for one address (UTF-8); true when it resolved.
bool ResolveLine(const AddressIndex& index, std::string_view utf8, std::string& line) {
  line.clear();
  std::optional<std::string> sjis = IsValidUtf8(utf8) ? Utf8ToSjis(utf8) : std::nullopt;
  std::vector<Resolution> found;
  if (sjis) found = Resolve(index, *sjis);
  if (found.empty()) {
    line = "\t\t\n";
    return false;
  }
  char code[16];
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (i > 0) line += '\t';
    std::snprintf(code, sizeof code, "%07u", found[i].postal);
    line += code;
    line += '\t';
    line += SjisToUtf8(RecordText(index, found[i]));
    line += '\t';
    line += MatchKindWord(found[i].kind);
  }
  line += '\n';
  return true;
}

}  // namespace

int ResolveAddresses(const std::string& folder, const std::vector<const char*>& addresses, std::FILE* in,
                     std::FILE* out, std::FILE* err) {
  std::string error;
  // One edition for every address, whatever imports run meanwhile.
  const std::string edition = ResolveEditionFolder(folder);
  std::shared_ptr<const AddressIndex> index = SharedAddressIndex(edition, error);
  if (!index) {
    std::fprintf(err, "tanzel-search: %s%s cannot be read\n", edition.c_str(), error.c_str());
    return 3;
  }
  bool all = true;
  std::string line;
  auto put = [&](std::string_view address) {
    all = ResolveLine(*index, address, line) && all;
    std::fwrite(line.data(), 1, line.size(), out);
  };
  if (!addresses.empty()) {
    for (const char* address : addresses) put(address);
  } else {
    char* buffer = nullptr;
    std::size_t capacity = 0;
    ssize_t n;
    while ((n = getline(&buffer, &capacity, in)) >= 0) {
      std::string_view address(buffer, static_cast<std::size_t>(n));
      while (!address.empty() && (address.back() == '\n' || address.back() == '\r')) address.remove_suffix(1);
      put(address);
    }
    std::free(buffer);
  }
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fputs("tanzel-search: the output could not be written\n", err);
    return 4;
  }
  return all ? 0 : 1;
}

}  // namespace tanzel
