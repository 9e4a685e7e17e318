#include "core/lists/ListText.h"

#include <algorithm>
#include <cstdio>

#include "core/lists/Csv.h"
#include "core/resolve/Resolver.h"
#include "core/text/SjisText.h"

namespace tanzel {

namespace {

// Usual names of address columns and of postal-code columns, Shift-JIS.
const std::vector<std::string>& Words(bool code) {
  static const auto make = [](std::initializer_list<const char*> utf8) {
    std::vector<std::string> out;
    for (const char* w : utf8) out.push_back(Utf8ToSjis(w).value_or(w));
    return out;
  };
  static const std::vector<std::string> address =
      make({"住所", "所在地", "都道府県", "市区町村", "町域", "番地", "建物", "ADDRESS", "Address", "address"});
  static const std::vector<std::string> codes = make({"郵便番号", "〒", "ZIP", "Zip", "zip", "postal", "Postal"});
  return code ? codes : address;
}

bool Names(std::string_view field, bool code) {
  for (const std::string& w : Words(code))
    if (field.find(w) != std::string_view::npos) return true;
  return false;
}

bool LooksLikeData(const std::string& field) {
  return MayBeAddress(field) || ParsePostal(field).has_value();
}

// Columns where at least half of the non-empty sampled fields pass `test`.
std::vector<bool> MostlyColumns(const std::vector<std::vector<std::string>>& sample, bool (*test)(const std::string&)) {
  std::size_t width = 0;
  for (const auto& row : sample) width = std::max(width, row.size());
  std::vector<bool> out(width);
  for (std::size_t c = 0; c < width; ++c) {
    std::size_t filled = 0, hits = 0;
    for (const auto& row : sample) {
      if (c >= row.size() || row[c].empty()) continue;
      ++filled;
      hits += test(row[c]);
    }
    out[c] = filled > 0 && hits * 2 >= filled;
  }
  return out;
}

}  // namespace

std::optional<ListFormat> InspectList(std::string_view bytes, std::string& error) {
  if (bytes.empty()) {
    error = "the file is empty";
    return std::nullopt;
  }
  std::optional<TextEncoding> encoding = DetectTextEncoding(bytes);
  if (!encoding) {
    std::size_t line = FirstInvalidLine(bytes, TextEncoding::Cp932);
    error = "the file is not text in UTF-8 or Shift-JIS";
    if (line > 0) error += " (line " + std::to_string(line) + ")";
    return std::nullopt;
  }
  ListFormat format;
  format.encoding = *encoding;
  format.body = bytes;
  if (*encoding == TextEncoding::Utf8Bom) format.body.remove_prefix(kUtf8Bom.size());
  format.delimiter = DetectDelimiter(format.body);
  if (format.body.empty()) {
    error = "the file is empty";
    return std::nullopt;
  }
  return format;
}

std::string FieldToSjis(std::string_view field, TextEncoding encoding) {
  if (encoding == TextEncoding::Cp932) return std::string(field);
  if (std::optional<std::string> all = Utf8ToSjis(field)) return *all;
  std::string out;
  for (std::size_t i = 0; i < field.size();) {
    unsigned char c = static_cast<unsigned char>(field[i]);
    std::size_t len = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    len = std::min(len, field.size() - i);
    std::optional<std::string> one = Utf8ToSjis(field.substr(i, len));
    out += one ? *one : "?";
    i += len;
  }
  return out;
}

bool SjisToEncoding(std::string_view sjis, TextEncoding to, std::string& out) {
  if (to == TextEncoding::Cp932) {
    out.assign(sjis);
    return true;
  }
  out = SjisToUtf8(sjis);
  return true;
}

bool ConvertField(std::string_view field, TextEncoding from, TextEncoding to, std::string& out) {
  if ((from == TextEncoding::Cp932) == (to == TextEncoding::Cp932)) {
    out.assign(field);
    return true;
  }
  if (from == TextEncoding::Cp932) return SjisToEncoding(field, to, out);
  std::optional<std::string> sjis = Utf8ToSjis(field);
  if (!sjis) return false;
  out = std::move(*sjis);
  return true;
}

bool LooksLikeHeader(const std::vector<std::string>& first, const std::vector<std::string>* second) {
  bool named = false;
  for (const std::string& f : first) {
    if (LooksLikeData(f)) return false;
    named = named || Names(f, false) || Names(f, true);
  }
  if (named) return true;
  if (!second) return false;
  return std::any_of(second->begin(), second->end(), LooksLikeData);
}

ListColumns GuessColumns(const std::vector<std::string>* header, const std::vector<std::vector<std::string>>& sample) {
  ListColumns columns;
  if (header) {
    for (std::size_t c = 0; c < header->size(); ++c) {
      if (Names((*header)[c], true)) {
        if (columns.code < 0) columns.code = static_cast<int>(c);
      } else if (Names((*header)[c], false)) {
        columns.address.push_back(static_cast<int>(c));
      }
    }
  }
  if (columns.address.empty()) {
    std::vector<bool> address = MostlyColumns(sample, [](const std::string& f) { return MayBeAddress(f); });
    auto first = std::find(address.begin(), address.end(), true);
    for (auto it = first; it != address.end() && *it; ++it)
      columns.address.push_back(static_cast<int>(it - address.begin()));
  }
  if (columns.code < 0) {
    std::vector<bool> code = MostlyColumns(sample, [](const std::string& f) { return ParsePostal(f).has_value(); });
    auto it = std::find(code.begin(), code.end(), true);
    if (it != code.end()) columns.code = static_cast<int>(it - code.begin());
  }
  return columns;
}

int ColumnOf(std::string_view given, const std::vector<std::string>* header, std::size_t columnCount) {
  if (!given.empty() && std::all_of(given.begin(), given.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    if (given.size() > 6) return -1;
    int n = std::stoi(std::string(given));
    return n >= 1 && static_cast<std::size_t>(n) <= columnCount ? n - 1 : -1;
  }
  if (!header) return -1;
  std::optional<std::string> name = Utf8ToSjis(given);
  if (!name) return -1;
  auto it = std::find(header->begin(), header->end(), *name);
  return it == header->end() ? -1 : static_cast<int>(it - header->begin());
}

std::string JoinAddress(const std::vector<std::string>& sjisFields, const std::vector<int>& columns) {
  std::string out;
  for (int c : columns) {
    if (c < 0 || static_cast<std::size_t>(c) >= sjisFields.size() || sjisFields[c].empty()) continue;
    if (!out.empty()) out += ' ';
    out += sjisFields[c];
  }
  return out;
}

std::optional<uint32_t> ParsePostal(std::string_view sjis) {
  uint32_t value = 0;
  int digits = 0, hyphens = 0, hyphenAt = -1;
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(sjis[i]);
    int digit = -1;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c == ' ' || c == '-') {
      if (c == '-') ++hyphens, hyphenAt = digits;
      continue;
    } else if (IsSjisLeadByte(c) && i + 1 < sjis.size()) {
      unsigned code = c << 8 | static_cast<unsigned char>(sjis[++i]);
      if (code >= 0x824F && code <= 0x8258) {
        digit = static_cast<int>(code - 0x824F);
      } else if (code == 0x817C || code == 0x815B || code == 0x815D) {
        ++hyphens, hyphenAt = digits;
        continue;
      } else if (code == 0x8140 || (code == 0x81A7 && digits == 0)) {
        continue;
      } else {
        return std::nullopt;
      }
    } else {
      return std::nullopt;
    }
    if (++digits > 7) return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(digit);
  }
  if (hyphens > 1 || (hyphens == 1 && (digits != 7 || hyphenAt != 3))) return std::nullopt;
  if (digits == 7 || (digits == 6 && hyphens == 0)) return value;
  return std::nullopt;
}

std::string PostalText(uint32_t postal) {
  char text[16];
  std::snprintf(text, sizeof text, "%03u-%04u", postal / 10000 % 1000, postal % 10000);
  return text;
}

}  // namespace tanzel
