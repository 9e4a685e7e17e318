#include "core/lists/ListText.h"

#include <algorithm>
#include <cstdio>

#include "core/lists/Csv.h"
#include "core/resolve/Resolver.h"
#include "core/text/SjisText.h"

namespace tanzel {

namespace {

std::string Sjis(const char* utf8) {
  return Utf8ToSjis(utf8).value_or(utf8);
}

// The usual column names, Shift-JIS, with the role each gives.
const std::vector<std::pair<std::string, ColumnRole>>& ColumnNames() {
  static const std::vector<std::pair<std::string, ColumnRole>> names = [] {
    std::vector<std::pair<std::string, ColumnRole>> out;
    auto add = [&](ColumnRole role, std::initializer_list<const char*> utf8) {
      for (const char* n : utf8) out.emplace_back(Sjis(n), role);
    };
    add(ColumnRole::Prefecture, {"都道府県", "都道府県名", "県名", "県", "都道府県名称"});
    add(ColumnRole::City, {"市区町村", "市区郡", "市町村", "市区町村名", "市区", "市郡", "市区町村郡", "市区郡町村"});
    add(ColumnRole::Address,
        {"町域", "町名", "町丁目", "番地", "丁目番地", "住所", "所在地", "番地以降", "町域名", "町村", "丁目",
         "町名番地", "町域番地", "住所番地", "大字", "字", "番地等", "以降の住所"});
    add(ColumnRole::Building,
        {"建物名", "ビル名", "マンション名", "建物", "建物名等", "ビル・マンション名", "建物・部屋番号", "方書"});
    add(ColumnRole::Code, {"郵便番号", "〒", "郵便", "ZIP", "〒番号", "郵便番号7桁", "郵便番号（7桁）"});
    return out;
  }();
  return names;
}

// `name` without spaces (half- and full-width), without a note in brackets at its end and
// without a trailing number (住所1, 住所２).
std::string BareName(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size();) {
    std::size_t len = IsSjisLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size() ? 2 : 1;
    std::string_view c = name.substr(i, len);
    if (c != " " && c != "\t" && c != "\x81\x40") out.append(c);
    i += len;
  }
  for (const auto& [open, close] :
       {std::pair<std::string_view, std::string_view>{"\x81\x69", "\x81\x6a"}, {"(", ")"}}) {  // （） and ()
    std::size_t at = out.rfind(open);
    if (at != std::string::npos && at > 0 && out.size() >= close.size() &&
        out.compare(out.size() - close.size(), close.size(), close) == 0)
      out.resize(at);
  }
  for (;;) {
    if (!out.empty() && out.back() >= '0' && out.back() <= '9') {
      out.pop_back();
    } else if (out.size() >= 2 && static_cast<unsigned char>(out[out.size() - 2]) == 0x82 &&
               static_cast<unsigned char>(out.back()) >= 0x4F && static_cast<unsigned char>(out.back()) <= 0x58) {
      out.resize(out.size() - 2);  // ０ ... ９
    } else {
      break;
    }
  }
  return out;
}

bool HasDigit(std::string_view sjis) {
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(sjis[i]);
    if (c >= '0' && c <= '9') return true;
    if (IsSjisLeadByte(c) && i + 1 < sjis.size()) {
      unsigned char t = static_cast<unsigned char>(sjis[++i]);
      if (c == 0x82 && t >= 0x4F && t <= 0x58) return true;
    }
  }
  return false;
}

std::size_t DigitCount(std::string_view sjis) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(sjis[i]);
    n += c >= '0' && c <= '9';
    if (IsSjisLeadByte(c) && i + 1 < sjis.size()) {
      unsigned char t = static_cast<unsigned char>(sjis[++i]);
      n += c == 0x82 && t >= 0x4F && t <= 0x58;
    }
  }
  return n;
}

// The last character of `sjis` (two bytes for a double-byte one).
std::string_view LastChar(std::string_view sjis) {
  std::string_view last;
  for (std::size_t i = 0; i < sjis.size();) {
    std::size_t len = IsSjisLeadByte(static_cast<unsigned char>(sjis[i])) && i + 1 < sjis.size() ? 2 : 1;
    last = sjis.substr(i, len);
    i += len;
  }
  return last;
}

const std::vector<std::string>& PrefectureNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const char* n :
         {"北海道", "青森県", "岩手県", "宮城県",   "秋田県", "山形県",   "福島県", "茨城県", "栃木県", "群馬県",
          "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県", "富山県",   "石川県", "福井県", "山梨県", "長野県",
          "岐阜県", "静岡県", "愛知県", "三重県",   "滋賀県", "京都府",   "大阪府", "兵庫県", "奈良県", "和歌山県",
          "鳥取県", "島根県", "岡山県", "広島県",   "山口県", "徳島県",   "香川県", "愛媛県", "高知県", "福岡県",
          "佐賀県", "長崎県", "熊本県", "大分県",   "宮崎県", "鹿児島県", "沖縄県"})
      out.push_back(Sjis(n));
    return out;
  }();
  return names;
}

bool IsPrefecture(const std::string& field) {
  const std::string bare = BareName(field);
  const auto& names = PrefectureNames();
  return std::find(names.begin(), names.end(), bare) != names.end();
}

bool StartsWithPrefecture(std::string_view field) {
  for (const std::string& p : PrefectureNames())
    if (field.substr(0, p.size()) == p) return true;
  return false;
}

// A city's name alone: ends in 市, 区, 町 or 村, writes no number and names no prefecture.
bool IsCity(const std::string& field) {
  static const std::array<std::string, 4> ends = {Sjis("市"), Sjis("区"), Sjis("町"), Sjis("村")};
  const std::string bare = BareName(field);
  if (bare.empty() || bare.size() > 30 || HasDigit(bare) || StartsWithPrefecture(bare)) return false;
  const std::string_view last = LastChar(bare);
  return std::find(ends.begin(), ends.end(), last) != ends.end();
}

// A postal code written as one (7 digits, or with its hyphen), not a 6-digit number.
bool IsWrittenCode(const std::string& field) {
  return ParsePostal(field).has_value() && (DigitCount(field) == 7);
}

// The rest of an address after its town's name or with it: blocks, 番地, 丁目; not a code
// nor a telephone number.
bool IsAddressRest(const std::string& field) {
  return WritesBlock(field) && !ParsePostal(field) && DigitCount(field) <= 7 &&
         field.find_first_of("/:") == std::string::npos;
}

bool IsBuilding(const std::string& field) {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> out;
    for (const char* w : {"ビル", "マンション", "ハイツ", "コーポ", "アパート", "荘", "号室", "レジデンス", "タワー",
                          "階", "棟", "ハイム", "メゾン", "パレス", "ヴィラ", "プラザ", "センター"})
      out.push_back(Sjis(w));
    return out;
  }();
  if (ParsePostal(field)) return false;
  for (const std::string& w : words)
    if (field.find(w) != std::string::npos) return true;
  return false;
}

bool LooksLikeData(const std::string& field) {
  return MayBeAddress(field) || ParsePostal(field).has_value();
}

// True when at least half of the non-empty sampled fields of column `c` pass `test` (and
// one is not empty).
bool Mostly(const std::vector<std::vector<std::string>>& sample, std::size_t c, bool (*test)(const std::string&)) {
  std::size_t filled = 0, hits = 0;
  for (const auto& row : sample) {
    if (c >= row.size() || row[c].empty()) continue;
    ++filled;
    hits += test(row[c]);
  }
  return filled > 0 && hits * 2 >= filled;
}

// What the contents of column `c` look like; `after` tells whether the column follows an
// address part, so that blocks and building names count as the address's rest.
ColumnRole RoleOfContents(const std::vector<std::vector<std::string>>& sample, std::size_t c, bool after) {
  if (Mostly(sample, c, IsWrittenCode)) return ColumnRole::Code;
  if (Mostly(sample, c, IsPrefecture)) return ColumnRole::Prefecture;
  if (Mostly(sample, c, IsCity)) return ColumnRole::City;
  if (Mostly(sample, c, [](const std::string& f) { return MayBeAddress(f); })) return ColumnRole::Address;
  if (after && Mostly(sample, c, IsAddressRest)) return ColumnRole::Address;
  if (after && Mostly(sample, c, IsBuilding)) return ColumnRole::Building;
  return ColumnRole::None;
}

bool IsAddressPart(ColumnRole role) {
  return role == ColumnRole::Prefecture || role == ColumnRole::City || role == ColumnRole::Address ||
         role == ColumnRole::Building;
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

std::vector<std::string> FieldsToSjis(const std::vector<std::string>& fields, TextEncoding encoding) {
  std::vector<std::string> out;
  out.reserve(fields.size());
  for (const std::string& f : fields) out.push_back(FieldToSjis(f, encoding));
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

ColumnRole RoleOfName(std::string_view sjis) {
  const std::string bare = BareName(sjis);
  if (bare.empty()) return ColumnRole::None;
  for (const auto& [name, role] : ColumnNames())
    if (bare == name) return role;
  // A longer name that holds a usual one (ご住所, 送付先住所, 番地・建物名), but no number
  // and no more than a few words' length: a field of data is not taken for a name.
  static const std::vector<std::pair<std::string, ColumnRole>> parts = [] {
    std::vector<std::pair<std::string, ColumnRole>> out;
    for (const char* w : {"郵便番号", "〒"}) out.emplace_back(Sjis(w), ColumnRole::Code);
    for (const char* w : {"都道府県"}) out.emplace_back(Sjis(w), ColumnRole::Prefecture);
    for (const char* w : {"市区町村", "市町村"}) out.emplace_back(Sjis(w), ColumnRole::City);
    for (const char* w : {"住所", "所在地", "番地"}) out.emplace_back(Sjis(w), ColumnRole::Address);
    for (const char* w : {"建物", "ビル名", "マンション名"}) out.emplace_back(Sjis(w), ColumnRole::Building);
    return out;
  }();
  if (bare.size() <= 16 && !HasDigit(bare)) {
    for (const auto& [part, role] : parts)
      if (bare.find(part) != std::string::npos) return role;
  }
  std::string lower;
  for (char c : bare) {
    if (static_cast<unsigned char>(c) >= 0x80) return ColumnRole::None;
    lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  }
  for (const auto& [word, role] : {std::pair<const char*, ColumnRole>{"zip", ColumnRole::Code},
                                   {"postal", ColumnRole::Code},
                                   {"postcode", ColumnRole::Code},
                                   {"prefecture", ColumnRole::Prefecture},
                                   {"city", ColumnRole::City},
                                   {"building", ColumnRole::Building},
                                   {"address", ColumnRole::Address},
                                   {"street", ColumnRole::Address}})
    if (lower.find(word) != std::string::npos) return role;
  return ColumnRole::None;
}

namespace {

int RoleRank(const std::vector<ColumnRole>& roles, int c) {
  ColumnRole role = c >= 0 && static_cast<std::size_t>(c) < roles.size() ? roles[c] : ColumnRole::None;
  return role == ColumnRole::None || role == ColumnRole::Code ? static_cast<int>(ColumnRole::Address)
                                                              : static_cast<int>(role);
}

// The number a column's name ends in (住所2: 2), or 0.
int TrailingNumber(std::string_view name) {
  std::string digits;
  while (!name.empty()) {
    const unsigned char last = static_cast<unsigned char>(name.back());
    if (last >= '0' && last <= '9') {
      digits.insert(digits.begin(), static_cast<char>(last));
      name.remove_suffix(1);
    } else if (name.size() >= 2 && static_cast<unsigned char>(name[name.size() - 2]) == 0x82 && last >= 0x4F &&
               last <= 0x58) {
      digits.insert(digits.begin(), static_cast<char>('0' + last - 0x4F));
      name.remove_suffix(2);
    } else {
      break;
    }
  }
  return digits.empty() || digits.size() > 4 ? 0 : std::stoi(digits);
}

}  // namespace

std::vector<int> InAddressOrder(std::vector<int> columns, const ListColumns& recognised) {
  auto key = [&](int c) {
    auto at = std::find(recognised.address.begin(), recognised.address.end(), c);
    const long position = at != recognised.address.end() ? at - recognised.address.begin() : 1000L + c;
    return std::make_pair(RoleRank(recognised.roles, c), position);
  };
  std::stable_sort(columns.begin(), columns.end(), [&](int a, int b) { return key(a) < key(b); });
  return columns;
}

bool LooksLikeHeader(const std::vector<std::string>& first, const std::vector<std::string>* second) {
  bool named = false;
  for (const std::string& f : first) {
    if (RoleOfName(f) != ColumnRole::None) {
      named = true;
      continue;
    }
    if (LooksLikeData(f)) return false;
  }
  if (named) return true;
  if (!second) return false;
  return std::any_of(second->begin(), second->end(), LooksLikeData);
}

ListColumns GuessColumns(const std::vector<std::string>* header, const std::vector<std::vector<std::string>>& sample) {
  ListColumns columns;
  std::size_t width = header ? header->size() : 0;
  for (const auto& row : sample) width = std::max(width, row.size());
  columns.roles.assign(width, ColumnRole::None);
  if (header) {
    for (std::size_t c = 0; c < header->size(); ++c) {
      const ColumnRole role = RoleOfName((*header)[c]);
      columns.roles[c] = role;
      if (role == ColumnRole::Code && columns.code < 0) columns.code = static_cast<int>(c);
      if (IsAddressPart(role)) columns.address.push_back(static_cast<int>(c));
    }
  }
  if (columns.address.empty()) {
    // By contents: the first run of address parts.
    bool after = false;
    for (std::size_t c = 0; c < width; ++c) {
      const ColumnRole role = RoleOfContents(sample, c, after);
      if (columns.roles[c] == ColumnRole::None) columns.roles[c] = role;
      if (IsAddressPart(role)) {
        columns.address.push_back(static_cast<int>(c));
        after = true;
      } else if (after) {
        break;
      }
    }
  }
  if (columns.code < 0) {
    for (std::size_t c = 0; c < width && columns.code < 0; ++c)
      if (Mostly(sample, c, IsWrittenCode)) {
        columns.code = static_cast<int>(c);
        columns.roles[c] = ColumnRole::Code;
      }
  }
  auto key = [&](int c) {
    const int number = header && static_cast<std::size_t>(c) < header->size() ? TrailingNumber((*header)[c]) : 0;
    return std::make_pair(RoleRank(columns.roles, c), number);
  };
  std::stable_sort(columns.address.begin(), columns.address.end(), [&](int a, int b) { return key(a) < key(b); });
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

std::string JoinAddress(const std::vector<std::string>& fields, TextEncoding encoding,
                        const std::vector<int>& columns) {
  std::string out;
  for (int c : columns) {
    if (c < 0 || static_cast<std::size_t>(c) >= fields.size() || fields[c].empty()) continue;
    if (!out.empty()) out += ' ';
    out += FieldToSjis(fields[c], encoding);
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

}  // namespace tanzel
