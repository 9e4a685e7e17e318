#pragma once

// The index the resolver looks addresses up in: every prefecture, city, town area and
// large business office of one set of data files, keyed by their match forms
// (AddressText.h). Built once from the data files and then only read: one index may be
// used by any number of threads at once.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/data/Records.h"
#include "core/resolve/AddressText.h"

namespace tanzel {

class AddressIndex {
 public:
  // One address record (a line of a KEN file).
  struct Town {
    uint32_t postal;  // the postal code as a number (1000005)
    int32_t localGovCode;
    uint32_t city;   // index into cities
    uint32_t kanji;  // offset of TownKanji in the text arena (as the data spells it)
    uint16_t kanjiLength;
    uint16_t kanaLength;
    uint32_t kana;      // offset of TownKana
    uint32_t note;      // index into notes, or kNoNote
    uint32_t building;  // for a floor record: index of its building, or kNoBuilding
  };
  // One large business office (a line of a JIG file).
  struct Office {
    uint32_t postal;
    int32_t localGovCode;
    uint32_t city;    // index into cities, or kNoCity
    uint32_t fields;  // offset in the arena of OfficeKana, OfficeKanji, TownKanji, BlockKanji, one after another
    uint16_t lengths[4];
    int32_t numbers[AddressRest::kMaxNumbers];  // the block numbers of its address
    uint8_t count;
    uint32_t text;  // offset in keys_ of its block's text after the numbers (a building ...)
    uint16_t textLength;
    uint32_t name;  // offset in keys_ of its name's match form
    uint16_t nameLength;
  };
  struct City {
    uint8_t pref;  // 1 ... 47
    int32_t localGovCode;
    uint32_t kanji, kana;  // offsets in the arena
    uint16_t kanjiLength, kanaLength;
    uint32_t firstTown, townCount;  // its records, contiguous in towns
    int32_t catchAll = -1;          // its "other addresses" record
    int32_t banchiNext = -1;        // its "number follows the city" record
    bool wholeCity = false;         // its only record covers the whole city (村一円)
  };
  // A building with codes of its own: its records and its name after the town's.
  struct Building {
    uint32_t city;
    std::string name;           // match form, the town's name left off
    std::string fullName;       // match form of the building record's name
    int32_t unknownFloor = -1;  // the （地階・階層不明） record
  };

  // A designated city (横浜市): the match form of its name and its wards, as cities.
  struct DesignatedCity {
    std::string key;
    uint8_t pref;
    std::vector<uint32_t> wards;
  };

  static constexpr uint32_t kNoNote = UINT32_MAX;
  static constexpr uint32_t kNoCity = UINT32_MAX;
  static constexpr uint32_t kAnyCity = UINT32_MAX - 1;
  static constexpr uint32_t kNoBuilding = UINT32_MAX;

  // Reads the 94 data files of `folder` (with its trailing '/'). Returns nullptr, with
  // `error` naming the file, when one cannot be opened.
  static std::unique_ptr<AddressIndex> Build(const std::string& folder, std::string& error);

  const std::vector<Town>& Towns() const { return towns_; }
  const std::vector<Office>& Offices() const { return offices_; }
  const std::vector<City>& Cities() const { return cities_; }
  const std::vector<Building>& Buildings() const { return buildings_; }
  const TownNote& Note(uint32_t index) const { return notes_[index]; }
  // Text as the data spells it, and match forms.
  std::string_view Text(uint32_t offset, uint32_t length) const {
    return std::string_view(arena_).substr(offset, length);
  }
  std::string_view Key(uint32_t offset, uint32_t length) const {
    return std::string_view(keys_).substr(offset, length);
  }
  std::string_view PrefKanji(int pref) const { return prefKanji_[static_cast<std::size_t>(pref - 1)]; }

  // The prefecture whose name (match form) `key` is, or 0.
  int Prefecture(std::string_view key) const;
  // The prefecture whose name without its 都, 府 or 県 (東京, 大阪, 千葉) `key` is, or 0.
  int PrefectureWithoutSuffix(std::string_view key) const;
  const std::vector<DesignatedCity>& DesignatedCities() const { return designated_; }
  // The cities whose name, whose name without its district (郡), or a designated city's ward
  // without its city (西区 of 横浜市西区), is `key`; restricted to
  // prefecture `pref` unless it is 0. Appends their indices to `out`.
  void Cities(std::string_view key, int pref, std::vector<uint32_t>& out) const;
  // The records of `city` whose town name (match form, note left off) is `key`; of every
  // city when `city` is kAnyCity.
  void Towns(uint32_t city, std::string_view key, std::vector<uint32_t>& out) const;
  // Whether a town name of `city` goes on after `stem`, a name and a number with its unit
  // (浮津1番 of 浮津1番町, 稲荷町3丁目 of 稲荷町3丁目北).
  bool NumberedStem(uint32_t city, std::string_view stem) const;
  // The length of the block unit word (丁目, 番地, 地割, 番, 号, 線, 丁) `s` starts with, or 0.
  static std::size_t UnitLength(std::string_view s);
  // The offices of `city` whose town (match form) is `key`.
  void Offices(uint32_t city, std::string_view key, std::vector<uint32_t>& out) const;
  // The buildings of `city`.
  void BuildingsOf(uint32_t city, std::vector<uint32_t>& out) const;
  // The address records and the offices with this postal code.
  void ByPostalCode(uint32_t postal, std::vector<uint32_t>& towns, std::vector<uint32_t>& offices) const;

  // Longest key (bytes) of each kind, so that lookups try no longer prefix.
  std::size_t MaxPrefectureKey() const { return maxPrefectureKey_; }
  std::size_t MaxCityKey() const { return maxCityKey_; }
  std::size_t MaxTownKey() const { return maxTownKey_; }
  std::size_t MaxOfficeKey() const { return maxOfficeKey_; }

  // Memory the index holds, in bytes (for the benchmark).
  std::size_t Bytes() const;

  // The data files' record of a town or an office as a record the windows show.
  void FillRecord(uint32_t town, KenRecord& out) const;
  void FillRecord(uint32_t office, JigRecord& out) const;

 private:
  class Builder;
  // An open-addressing table from (scope, key) to a run of entries.
  struct Entry {
    uint32_t scope;  // city index, or prefecture for city names
    uint32_t key;    // offset in keys_
    uint16_t keyLength;
    uint32_t value;  // town, office or city index
  };
  struct Table {
    std::vector<Entry> entries;  // sorted by (scope, key)
    struct Slot {
      uint32_t entry;  // index of the first entry of a run + 1, or 0
      uint32_t hash;   // the high half of its key's hash, compared before the key
    };
    std::vector<Slot> slots;
    // A byte per key in front of the slots (two bits of a word set by each key): most lookups
    // of a prefix that is no key end here, in memory that stays in the cache, where the slots
    // do not.
    std::vector<uint64_t> filter;
    // The key lengths of each scope, a bit per length (the last bit: 127 bytes or more), so
    // that most lookups of a prefix that is no key end before hashing it.
    std::vector<std::array<uint64_t, 2>> lengths;  // scopes below its size
    std::array<uint64_t, 2> otherLengths{};        // the others
    void Finish(const std::string& keys);
    bool MayHold(uint32_t scope, std::size_t length) const {
      const std::array<uint64_t, 2>& bits = scope < lengths.size() ? lengths[scope] : otherLengths;
      std::size_t bit = length < 127 ? length : 127;
      return (bits[bit / 64] >> (bit % 64) & 1) != 0;
    }
    // Appends the values of the run of (scope, key) to out.
    void Find(const std::string& keys, uint32_t scope, std::string_view key, std::vector<uint32_t>& out) const;
  };

  std::string arena_;  // texts as the data spells them (Shift-JIS)
  std::string keys_;   // match forms
  std::vector<Town> towns_;
  std::vector<Office> offices_;
  std::vector<City> cities_;
  std::vector<Building> buildings_;
  std::vector<TownNote> notes_;
  std::vector<std::string> prefectures_;  // match form of each name, 1 ... 47 at 0 ... 46
  std::vector<std::string> prefKanji_, prefKana_;
  std::vector<std::string> prefShort_;  // match form of each name without its suffix (北海道 none)
  std::vector<DesignatedCity> designated_;
  Table cityTable_;                                         // scope: prefecture
  Table townTable_;                                         // scope: city
  Table officeTable_;                                       // scope: city
  Table stemTable_;                                         // scope: city; numbered names' stems
  std::vector<std::pair<uint32_t, uint32_t>> townCodes_;    // (postal, town), sorted
  std::vector<std::pair<uint32_t, uint32_t>> officeCodes_;  // (postal, office), sorted
  std::vector<std::vector<uint32_t>> cityBuildings_;
  std::size_t maxPrefectureKey_ = 0;
  std::size_t maxCityKey_ = 0;
  std::size_t maxTownKey_ = 0;
  std::size_t maxOfficeKey_ = 0;
};

}  // namespace tanzel
