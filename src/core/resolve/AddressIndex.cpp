#include "core/resolve/AddressIndex.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "core/data/DataFile.h"
#include "core/data/PostalText.h"
#include "core/text/SjisText.h"

namespace tanzel {

namespace {

constexpr std::string_view kOpenParen = "\x81\x69";          // （
constexpr std::string_view kCloseParen = "\x81\x6a";         // ）
constexpr std::string_view kWholeArea = "\x88\xea\x89\x7e";  // 一円
constexpr std::string_view kBanchiFollows =
    "\x82\xcc\x8e\x9f\x82\xc9\x94\xd4\x92\x6e\x82\xaa\x82\xad\x82\xe9\x8f\xea\x8d\x87";  // の次に番地がくる場合
constexpr std::string_view kDistrict = "\x8c\x53";                                       // 郡
constexpr std::string_view kTownSuffix = "\x92\xac";                                     // 町
constexpr std::string_view kVillageSuffix = "\x91\xba";                                  // 村
constexpr std::string_view kCitySuffix = "\x8e\x73";                                     // 市
constexpr std::string_view kWardSuffix = "\x8b\xe6";                                     // 区

uint64_t Hash(uint32_t scope, std::string_view key) {
  uint64_t h = 1469598103934665603ull ^ scope;
  for (char c : key) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h;
}

// Where a key's two bits stand in a table's filter of `words` words (a power of two).
struct FilterBits {
  std::size_t word;
  uint64_t mask;
};
FilterBits FilterOf(uint64_t hash, std::size_t words) {
  uint64_t h = hash * 0x9E3779B97F4A7C15ull;
  return {static_cast<std::size_t>(h >> 40) & (words - 1), uint64_t{1} << (h & 63) | uint64_t{1} << (h >> 6 & 63)};
}

bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

bool EndsWith(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Splits a town name as the data spells it into its name and its note: the text inside
// the last （…） that ends it. Parentheses left inside the name are dropped from its match
// form.
void SplitTown(std::string_view town, std::string_view& name, std::string_view& note) {
  name = town;
  note = {};
  if (!EndsWith(town, kCloseParen)) return;
  // The last （ at a character boundary.
  std::size_t open = std::string_view::npos;
  for (std::size_t at = 0; at + 1 < town.size();) {
    if (town.compare(at, 2, kOpenParen) == 0) open = at;
    at += IsSjisLeadByte(static_cast<unsigned char>(town[at])) ? 2 : 1;
  }
  if (open == std::string_view::npos) return;
  name = town.substr(0, open);
  note = town.substr(open + 2, town.size() - open - 4);
}

std::string WithoutParens(std::string_view s) {
  std::string out;
  for (std::size_t at = 0; at < s.size();) {
    std::size_t n = IsSjisLeadByte(static_cast<unsigned char>(s[at])) && at + 1 < s.size() ? 2 : 1;
    std::string_view c = s.substr(at, n);
    if (c != kOpenParen && c != kCloseParen) out.append(c);
    at += n;
  }
  return out;
}

// The city name without its district: 二海郡八雲町 gives 八雲町 (only a town or village has
// one: 郡山市 and 蒲郡市 keep their names).
std::string_view WithoutDistrict(std::string_view city) {
  if (!EndsWith(city, kTownSuffix) && !EndsWith(city, kVillageSuffix)) return {};
  for (std::size_t at = 0; at + 1 < city.size();) {
    if (city.compare(at, 2, kDistrict) == 0 && at + 2 < city.size()) return city.substr(at + 2);
    at += IsSjisLeadByte(static_cast<unsigned char>(city[at])) ? 2 : 1;
  }
  return {};
}

// A designated city's ward without its city: 横浜市西区 gives 西区.
std::string_view WardOnly(std::string_view city) {
  if (!EndsWith(city, kWardSuffix)) return {};
  for (std::size_t at = 0; at + 1 < city.size();) {
    if (city.compare(at, 2, kCitySuffix) == 0 && at + 2 < city.size()) return city.substr(at + 2);
    at += IsSjisLeadByte(static_cast<unsigned char>(city[at])) ? 2 : 1;
  }
  return {};
}

std::string WithoutComma(std::string_view key) {
  std::string out;
  for (std::size_t at = 0; at < key.size();) {
    std::size_t n = IsSjisLeadByte(static_cast<unsigned char>(key[at])) && at + 1 < key.size() ? 2 : 1;
    if (key.substr(at, n) != "\x81\x41") out.append(key.substr(at, n));
    at += n;
  }
  return out;
}

// A town name without the 大字 or 字 written before it.
std::string WithoutAza(std::string key) {
  for (std::string_view prefix : {std::string_view("\x91\xe5\x8e\x9a"), std::string_view("\x8e\x9a")})
    if (key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0) return key.substr(prefix.size());
  return key;
}

uint32_t PostalNumber(const char* code) {
  uint32_t n = 0;
  for (int i = 0; i < 7 && code[i] >= '0' && code[i] <= '9'; ++i) n = n * 10 + static_cast<uint32_t>(code[i] - '0');
  return n;
}

void CopyField(char* field, std::size_t capacity, std::string_view text) {
  std::size_t n = SjisFitLength(text.data(), text.size(), capacity - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

}  // namespace

void AddressIndex::Table::Finish(const std::string& keys) {
  auto key = [&](const Entry& e) { return std::string_view(keys).substr(e.key, e.keyLength); };
  std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    return a.scope != b.scope ? a.scope < b.scope : key(a) < key(b);
  });
  std::size_t size = 16;
  while (size < entries.size() * 2) size *= 2;
  slots.assign(size, Slot{0, 0});
  std::size_t words = 1;
  while (words * 64 < entries.size() * 8) words *= 2;
  filter.assign(words, 0);
  constexpr uint32_t kManyScopes = 1u << 16;  // city indices and prefectures; not kAnyCity
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    std::array<uint64_t, 2>* bits = &otherLengths;
    if (e.scope < kManyScopes) {
      if (lengths.size() <= e.scope) lengths.resize(e.scope + 1, {0, 0});
      bits = &lengths[e.scope];
    }
    std::size_t bit = e.keyLength < 127 ? e.keyLength : 127;
    (*bits)[bit / 64] |= uint64_t{1} << (bit % 64);
    if (i > 0 && entries[i - 1].scope == e.scope && key(entries[i - 1]) == key(e)) continue;
    uint64_t hash = Hash(e.scope, key(e));
    FilterBits seen = FilterOf(hash, words);
    filter[seen.word] |= seen.mask;
    std::size_t slot = hash & (size - 1);
    while (slots[slot].entry != 0) slot = (slot + 1) & (size - 1);
    slots[slot] = Slot{static_cast<uint32_t>(i + 1), static_cast<uint32_t>(hash >> 32)};
  }
}

void AddressIndex::Table::Find(const std::string& keys, uint32_t scope, std::string_view key,
                               std::vector<uint32_t>& out) const {
  if (slots.empty() || !MayHold(scope, key.size())) return;
  std::size_t mask = slots.size() - 1;
  uint64_t hash = Hash(scope, key);
  FilterBits bits = FilterOf(hash, filter.size());
  if ((filter[bits.word] & bits.mask) != bits.mask) return;
  auto check = static_cast<uint32_t>(hash >> 32);
  for (std::size_t slot = hash & mask; slots[slot].entry != 0; slot = (slot + 1) & mask) {
    if (slots[slot].hash != check) continue;
    std::size_t i = slots[slot].entry - 1;
    const Entry& e = entries[i];
    if (e.scope != scope || std::string_view(keys).substr(e.key, e.keyLength) != key) continue;
    for (; i < entries.size() && entries[i].scope == scope &&
           std::string_view(keys).substr(entries[i].key, entries[i].keyLength) == key;
         ++i)
      out.push_back(entries[i].value);
    return;
  }
}

class AddressIndex::Builder {
 public:
  explicit Builder(AddressIndex& index) : x_(index) {}

  bool Run(const std::string& folder, std::string& error);

 private:
  // Keeps `text` in the arena: where it starts and how long it is.
  void Store(std::string_view text, uint32_t& at, uint16_t& length) {
    at = Arena(text);
    length = static_cast<uint16_t>(text.size());
  }
  uint32_t Arena(std::string_view text) {
    auto at = static_cast<uint32_t>(x_.arena_.size());
    x_.arena_.append(text);
    return at;
  }
  uint32_t Key(std::string_view key) {
    auto at = static_cast<uint32_t>(x_.keys_.size());
    x_.keys_.append(key);
    return at;
  }
  void AddEntry(Table& table, uint32_t scope, const std::string& key, uint32_t value) {
    table.entries.push_back(Entry{scope, Key(key), static_cast<uint16_t>(key.size()), value});
  }
  // Reads the 47 files of `kind`, each record split into one slot and handed to `use`
  // with its prefecture.
  template <typename Record, typename Split, typename Use>
  bool ReadFiles(const std::string& folder, DataKind kind, Split split, std::string& error, Use use);
  void AddressLine(int pref, const KenRecord& rec);
  void FinishCity();
  void OfficeLine(const JigRecord& rec);
  void FindBuildingNames();

  AddressIndex& x_;
  int32_t cityCode_ = -1;
  std::unordered_map<int32_t, uint32_t> cityByCode_;
  // Building records by (city, name match form), until the names are known.
  std::unordered_map<std::string, uint32_t> buildingByKey_;
};

bool AddressIndex::Builder::Run(const std::string& folder, std::string& error) {
  x_.prefectures_.resize(PrefectureCount);
  x_.prefKanji_.resize(PrefectureCount);
  x_.prefKana_.resize(PrefectureCount);
  x_.prefShort_.resize(PrefectureCount);
  x_.towns_.reserve(130000);
  x_.arena_.reserve(6u << 20);
  x_.keys_.reserve(4u << 20);
  bool read = ReadFiles<KenRecord>(folder, DataKind::Ken, SplitKen, error,
                                   [this](int pref, const KenRecord& rec) { AddressLine(pref, rec); }) &&
              ReadFiles<JigRecord>(folder, DataKind::Jig, SplitJig, error,
                                   [this](int, const JigRecord& rec) { OfficeLine(rec); });
  if (!read) return false;
  x_.townTable_.Finish(x_.keys_);
  FindBuildingNames();
  x_.cityTable_.Finish(x_.keys_);
  x_.officeTable_.Finish(x_.keys_);
  x_.stemTable_.Finish(x_.keys_);
  std::sort(x_.townCodes_.begin(), x_.townCodes_.end());
  std::sort(x_.officeCodes_.begin(), x_.officeCodes_.end());
  return true;
}

template <typename Record, typename Split, typename Use>
bool AddressIndex::Builder::ReadFiles(const std::string& folder, DataKind kind, Split split, std::string& error,
                                      Use use) {
  std::unique_ptr<Record> record(new Record);
  LineBuffer line;
  LineReader reader;
  char path[FileNameCapacity];
  for (int pref = 1; pref <= PrefectureCount; ++pref) {
    if (!DataFileName(path, folder.c_str(), kind, pref) || !reader.Open(path)) {
      error = DataFileBaseName(kind, pref);
      return false;
    }
    while (reader.ReadLine(line) >= 0) {
      split(line, *record);
      use(pref, *record);
    }
    FinishCity();  // a city ends with its prefecture's file
    cityCode_ = -1;
  }
  return true;
}

void AddressIndex::Builder::AddressLine(int pref, const KenRecord& rec) {
  auto p = static_cast<std::size_t>(pref - 1);
  if (x_.prefectures_[p].empty()) {
    x_.prefKanji_[p] = rec.PrefKanji;
    x_.prefKana_[p] = rec.PrefKana;
    x_.prefectures_[p] = MatchForm(rec.PrefKanji);
    std::string_view name = rec.PrefKanji;
    bool suffix = EndsWith(name, "\x93\x73") || EndsWith(name, "\x95\x7b") || EndsWith(name, "\x8c\xa7");  // 都 府 県
    if (suffix && name.size() > 2) x_.prefShort_[p] = MatchForm(name.substr(0, name.size() - 2));
    x_.maxPrefectureKey_ = std::max(x_.maxPrefectureKey_, x_.prefectures_[p].size());
  }
  if (rec.LocalGovCode != cityCode_) {
    FinishCity();
    cityCode_ = rec.LocalGovCode;
    City city;
    city.pref = static_cast<uint8_t>(pref);
    city.localGovCode = rec.LocalGovCode;
    std::string_view kanji = rec.CityKanji;
    Store(kanji, city.kanji, city.kanjiLength);
    Store(rec.CityKana, city.kana, city.kanaLength);
    city.firstTown = static_cast<uint32_t>(x_.towns_.size());
    city.townCount = 0;
    auto index = static_cast<uint32_t>(x_.cities_.size());
    cityByCode_.emplace(rec.LocalGovCode, index);
    if (std::string_view ward = WardOnly(kanji); !ward.empty()) {
      std::string key = MatchForm(kanji.substr(0, kanji.size() - ward.size()));
      auto it = std::find_if(x_.designated_.begin(), x_.designated_.end(),
                             [&](const DesignatedCity& d) { return d.key == key && d.pref == pref; });
      if (it == x_.designated_.end())
        it = x_.designated_.insert(x_.designated_.end(), DesignatedCity{key, static_cast<uint8_t>(pref), {}});
      it->wards.push_back(index);
    }
    for (std::string_view name : {kanji, WithoutDistrict(kanji), WardOnly(kanji)}) {
      if (name.empty()) continue;
      std::string key = MatchForm(name);
      x_.maxCityKey_ = std::max(x_.maxCityKey_, key.size());
      AddEntry(x_.cityTable_, static_cast<uint32_t>(pref), key, index);
      AddEntry(x_.cityTable_, 0, key, index);  // the same name where no prefecture is written
    }
    x_.cities_.push_back(city);
    x_.cityBuildings_.emplace_back();
  }
  auto cityIndex = static_cast<uint32_t>(x_.cities_.size() - 1);
  City& city = x_.cities_.back();
  Town town{};
  town.postal = PostalNumber(rec.PostalCode);
  town.localGovCode = rec.LocalGovCode;
  town.city = cityIndex;
  std::string_view kanji = rec.TownKanji;
  Store(kanji, town.kanji, town.kanjiLength);
  Store(rec.TownKana, town.kana, town.kanaLength);
  town.note = kNoNote;
  town.building = kNoBuilding;
  auto index = static_cast<uint32_t>(x_.towns_.size());
  ++city.townCount;
  x_.townCodes_.emplace_back(town.postal, index);

  if (kanji == kCatchAllTown) {
    city.catchAll = static_cast<int32_t>(index);
  } else if (EndsWith(kanji, kBanchiFollows)) {
    city.banchiNext = static_cast<int32_t>(index);
  } else {
    std::string_view name, note;
    SplitTown(kanji, name, note);
    std::string key = MatchForm(WithoutParens(name));
    if (!note.empty()) {
      town.note = static_cast<uint32_t>(x_.notes_.size());
      x_.notes_.push_back(ParseNote(MatchForm(note)));
      TownNote::Kind kind = x_.notes_.back().kind;
      if (kind == TownNote::Kind::Floor || kind == TownNote::Kind::FloorUnknown) {
        auto [it, added] =
            buildingByKey_.emplace(std::to_string(cityIndex) + ':' + key, static_cast<uint32_t>(x_.buildings_.size()));
        if (added) {
          Building building;
          building.city = cityIndex;
          building.fullName = key;
          x_.buildings_.push_back(std::move(building));
          x_.cityBuildings_[cityIndex].push_back(it->second);
        }
        town.building = it->second;
        if (kind == TownNote::Kind::FloorUnknown) x_.buildings_[it->second].unknownFloor = static_cast<int32_t>(index);
      }
    }
    // The stems of a name that goes on after a number and its unit (浮津1番 of 浮津1番町).
    for (std::size_t at = 1; at < key.size(); ++at) {
      if (!IsAsciiDigit(key[at - 1]) || IsAsciiDigit(key[at])) continue;
      std::size_t unit = UnitLength(std::string_view(key).substr(at));
      if (unit > 0 && at + unit < key.size()) AddEntry(x_.stemTable_, cityIndex, key.substr(0, at + unit), index);
    }
    x_.maxTownKey_ = std::max(x_.maxTownKey_, key.size());
    AddEntry(x_.townTable_, cityIndex, key, index);
    AddEntry(x_.townTable_, kAnyCity, key, index);
    // A name of several parts (桂子沢７５地割、桂子沢７６地割) also as written without its 、, as a
    // query reads it.
    if (std::string joined; key.find("\x81\x41") != std::string::npos && (joined = WithoutComma(key)) != key) {
      AddEntry(x_.townTable_, cityIndex, joined, index);
      AddEntry(x_.townTable_, kAnyCity, joined, index);
    }
  }
  x_.towns_.push_back(town);
}

void AddressIndex::Builder::FinishCity() {
  if (x_.cities_.empty() || cityCode_ < 0) return;
  City& city = x_.cities_.back();
  if (city.townCount == 1) {
    const Town& only = x_.towns_[city.firstTown];
    city.wholeCity = EndsWith(x_.Text(only.kanji, only.kanjiLength), kWholeArea) && only.note == kNoNote;
  }
}

void AddressIndex::Builder::OfficeLine(const JigRecord& rec) {
  Office office{};
  office.postal = PostalNumber(rec.PostalCode);
  office.localGovCode = rec.LocalGovCode;
  auto city = cityByCode_.find(rec.LocalGovCode);
  office.city = city == cityByCode_.end() ? kNoCity : city->second;
  const char* fields[4] = {rec.OfficeKana, rec.OfficeKanji, rec.TownKanji, rec.BlockKanji};
  office.fields = static_cast<uint32_t>(x_.arena_.size());
  for (int i = 0; i < 4; ++i) {
    std::string_view text = fields[i];
    Arena(text);
    office.lengths[i] = static_cast<uint16_t>(text.size());
  }
  std::string blockForm = MatchForm(rec.BlockKanji);
  AddressRest block = ParseRest(blockForm);
  office.count = static_cast<uint8_t>(block.count);
  std::copy(block.numbers, block.numbers + block.count, office.numbers);
  std::string_view text = std::string_view(blockForm).substr(std::min(block.end, blockForm.size()));
  office.text = Key(text);
  office.textLength = static_cast<uint16_t>(text.size());
  std::string name = MatchForm(rec.OfficeKanji);
  office.name = Key(name);
  office.nameLength = static_cast<uint16_t>(name.size());
  auto index = static_cast<uint32_t>(x_.offices_.size());
  x_.officeCodes_.emplace_back(office.postal, index);
  if (office.city != kNoCity) {
    // Filed under its town as written, and as the address file names it: 宮戸字観音山 is 宮戸.
    std::string town = WithoutAza(MatchForm(rec.TownKanji));
    x_.maxOfficeKey_ = std::max(x_.maxOfficeKey_, town.size());
    AddEntry(x_.officeTable_, office.city, town, index);
    std::size_t aza = town.find("\x8e\x9a");  // 字
    if (aza != std::string::npos && aza > 0 && (aza % 2) == 0)
      AddEntry(x_.officeTable_, office.city, town.substr(0, aza), index);
  }
  x_.offices_.push_back(office);
}

// A building's own name is what follows the longest other town name of its city that it
// starts with: 丸の内ＪＰタワー is ＪＰタワー of 丸の内.
void AddressIndex::Builder::FindBuildingNames() {
  std::vector<uint32_t> found;
  for (Building& b : x_.buildings_) {
    b.name = b.fullName;
    CharBoundaries at(b.fullName);
    for (std::size_t n = at.size() - 1; n-- > 1;) {
      found.clear();
      x_.townTable_.Find(x_.keys_, b.city, std::string_view(b.fullName).substr(0, at[n]), found);
      bool town =
          std::any_of(found.begin(), found.end(), [&](uint32_t t) { return x_.towns_[t].building == kNoBuilding; });
      if (town) {
        b.name = b.fullName.substr(at[n]);
        break;
      }
    }
  }
}

std::unique_ptr<AddressIndex> AddressIndex::Build(const std::string& folder, std::string& error) {
  std::unique_ptr<AddressIndex> index(new AddressIndex);
  Builder builder(*index);
  if (!builder.Run(folder, error)) return nullptr;
  return index;
}

int AddressIndex::Prefecture(std::string_view key) const {
  for (std::size_t i = 0; i < prefectures_.size(); ++i)
    if (prefectures_[i].size() == key.size() && key.size() > 1 && prefectures_[i][1] == key[1] &&
        prefectures_[i] == key)
      return static_cast<int>(i + 1);
  return 0;
}

int AddressIndex::PrefectureWithoutSuffix(std::string_view key) const {
  for (std::size_t i = 0; i < prefShort_.size(); ++i)
    if (prefShort_[i].size() == key.size() && key.size() > 1 && prefShort_[i][1] == key[1] && prefShort_[i] == key)
      return static_cast<int>(i + 1);
  return 0;
}

void AddressIndex::Cities(std::string_view key, int pref, std::vector<uint32_t>& out) const {
  cityTable_.Find(keys_, static_cast<uint32_t>(pref), key, out);
}

void AddressIndex::Towns(uint32_t city, std::string_view key, std::vector<uint32_t>& out) const {
  townTable_.Find(keys_, city, key, out);
}

bool AddressIndex::NumberedStem(uint32_t city, std::string_view stem) const {
  std::vector<uint32_t> found;
  stemTable_.Find(keys_, city, stem, found);
  return !found.empty();
}

std::size_t AddressIndex::UnitLength(std::string_view s) {
  static constexpr std::string_view kUnits[] = {
      "\x92\x9a\x96\xda",  // 丁目
      "\x94\xd4\x92\x6e",  // 番地
      "\x92\x6e\x8a\x84",  // 地割
      "\x94\xd4",          // 番
      "\x8d\x86",          // 号
      "\x90\xfc",          // 線
      "\x92\x9a",          // 丁
  };
  for (std::string_view unit : kUnits)
    if (s.size() >= unit.size() && s.compare(0, unit.size(), unit) == 0) return unit.size();
  return 0;
}

void AddressIndex::Offices(uint32_t city, std::string_view key, std::vector<uint32_t>& out) const {
  officeTable_.Find(keys_, city, key, out);
}

void AddressIndex::BuildingsOf(uint32_t city, std::vector<uint32_t>& out) const {
  if (city < cityBuildings_.size()) out.insert(out.end(), cityBuildings_[city].begin(), cityBuildings_[city].end());
}

void AddressIndex::ByPostalCode(uint32_t postal, std::vector<uint32_t>& towns, std::vector<uint32_t>& offices) const {
  auto first = [postal](const auto& codes) {
    return std::lower_bound(codes.begin(), codes.end(), std::make_pair(postal, uint32_t{0}));
  };
  for (auto it = first(townCodes_); it != townCodes_.end() && it->first == postal; ++it) towns.push_back(it->second);
  for (auto it = first(officeCodes_); it != officeCodes_.end() && it->first == postal; ++it)
    offices.push_back(it->second);
}

std::size_t AddressIndex::Bytes() const {
  auto table = [](const Table& t) {
    return t.entries.capacity() * sizeof(Entry) + t.slots.capacity() * sizeof(Table::Slot) + t.lengths.capacity() * 16 +
           t.filter.capacity() * 8;
  };
  std::size_t notes = notes_.capacity() * sizeof(TownNote);
  for (const TownNote& n : notes_) notes += n.items.capacity() * sizeof(NoteItem);
  return arena_.capacity() + keys_.capacity() + towns_.capacity() * sizeof(Town) +
         offices_.capacity() * sizeof(Office) + cities_.capacity() * sizeof(City) + notes + table(cityTable_) +
         table(townTable_) + table(officeTable_) + table(stemTable_) +
         (townCodes_.capacity() + officeCodes_.capacity()) * 8;
}

void AddressIndex::FillRecord(uint32_t index, KenRecord& out) const {
  out = KenRecord{};
  const Town& t = towns_[index];
  const City& c = cities_[t.city];
  out.LocalGovCode = t.localGovCode;
  const std::string postal = PostalDigits(t.postal);
  CopyField(out.PostalCode, sizeof out.PostalCode, postal);
  CopyField(out.OldPostalCode, sizeof out.OldPostalCode, std::string_view(postal).substr(0, 3));
  CopyField(out.PrefKanji, sizeof out.PrefKanji, prefKanji_[c.pref - 1u]);
  CopyField(out.PrefKana, sizeof out.PrefKana, prefKana_[c.pref - 1u]);
  CopyField(out.CityKanji, sizeof out.CityKanji, Text(c.kanji, c.kanjiLength));
  CopyField(out.CityKana, sizeof out.CityKana, Text(c.kana, c.kanaLength));
  CopyField(out.TownKanji, sizeof out.TownKanji, Text(t.kanji, t.kanjiLength));
  CopyField(out.TownKana, sizeof out.TownKana, Text(t.kana, t.kanaLength));
}

void AddressIndex::FillRecord(uint32_t index, JigRecord& out) const {
  out = JigRecord{};
  const Office& o = offices_[index];
  out.LocalGovCode = o.localGovCode;
  const std::string postal = PostalDigits(o.postal);
  CopyField(out.PostalCode, sizeof out.PostalCode, postal);
  uint32_t at = o.fields;
  char* fields[4] = {out.OfficeKana, out.OfficeKanji, out.TownKanji, out.BlockKanji};
  std::size_t sizes[4] = {sizeof out.OfficeKana, sizeof out.OfficeKanji, sizeof out.TownKanji, sizeof out.BlockKanji};
  for (int i = 0; i < 4; ++i) {
    CopyField(fields[i], sizes[i], Text(at, o.lengths[i]));
    at += o.lengths[i];
  }
  if (o.city != kNoCity) {
    const City& c = cities_[o.city];
    CopyField(out.PrefKanji, sizeof out.PrefKanji, prefKanji_[c.pref - 1u]);
    CopyField(out.CityKanji, sizeof out.CityKanji, Text(c.kanji, c.kanjiLength));
  }
}

}  // namespace tanzel
