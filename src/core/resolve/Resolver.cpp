#include "core/resolve/Resolver.h"

#include <algorithm>
#include <cstdio>

#include "core/text/SjisText.h"

namespace tanzel {

namespace {

constexpr std::string_view kPostalMark = "\x81\xa7";                   // 〒
constexpr std::string_view kOaza = "\x91\xe5\x8e\x9a";                 // 大字
constexpr std::string_view kAza = "\x8e\x9a";                          // 字
constexpr std::string_view kKyotoCity = "\x8b\x9e\x93\x73\x8e\x73";    // 京都市
constexpr std::string_view kSapporoCity = "\x8e\x44\x96\x79\x8e\x73";  // 札幌市
constexpr std::string_view kJou = "\x8f\xf0";                          // 条
constexpr std::string_view kDai = "\x91\xe6";                          // 第
constexpr std::string_view kWard = "\x8b\xe6";                         // 区

// How well a candidate fits; the best wins, equals are all given.
enum Score : int {
  kNothing = 0,
  kCatchAll = 10,   // the city's other addresses
  kAnyOfTown = 15,  // the town, but none of its notes fits
  kOther = 20,      // its （その他）
  kPartly = 25,     // a note of block numbers, as far as the address gives numbers
  kTown = 30,       // the town itself
  kForm = 32,       // its （丁目） or （番地） record, by how the address is written
  kNamed = 40,      // a note that names this part, or whose numbers all fit
  kWholeCity = 45,  // the city's only code
  kBuilding = 50,   // a building of its own, floor unknown
  kFloor = 55,      // a floor of such a building
};

struct Match {
  int score = kNothing;
  std::vector<Resolution> results;
  bool offices = false;          // offices at exactly this address are among the results
  bool whole = true;             // the town's name is written whole: what follows it is a block, or named
  std::string_view town, after;  // the town's name as written and what follows it
};

bool StartsWith(std::string_view s, std::string_view p) {
  return s.size() >= p.size() && s.compare(0, p.size(), p) == 0;
}

bool Contains(std::string_view s, std::string_view part) {
  return !part.empty() && s.find(part) != std::string_view::npos;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The text as read (match form), and where separators stood in it.
struct Query {
  std::string_view form;
  const std::vector<std::size_t>* breaks = nullptr;
  // Whether a separator stood right before `at` (a position inside the form).
  bool BreakAt(const char* at) const {
    if (breaks == nullptr || at < form.data() || at > form.data() + form.size()) return false;
    return std::binary_search(breaks->begin(), breaks->end(), static_cast<std::size_t>(at - form.data()));
  }
};

// Whether `after` starts with a block: a number that the end, another number, a dash or a
// block word (丁目, 番地, 番, 号, 地割, 線, a floor) follows. 四万十町 is no town 四万 with a
// block 十町 after it.
bool BlockFollows(std::string_view after) {
  std::size_t i = 0;
  while (i < after.size() && IsDigit(after[i])) ++i;
  if (i == 0) return !after.empty() && (after[0] == '-' || after[0] == kNumberBreak);
  std::string_view rest = after.substr(i);
  if (rest.empty() || rest[0] == '-' || rest[0] == kNumberBreak || rest[0] == 'F') return true;
  return AddressIndex::UnitLength(rest) > 0 || StartsWith(rest, "\x8a\x4b");  // 階
}

// Whether `code` (a Shift-JIS character) writes a word: a kanji, kana, 々 or ー.
bool IsWordCode(unsigned code) {
  return (code >= 0x829F && code <= 0x82F1) || (code >= 0x8340 && code <= 0x8396) || code == 0x8158 || code == 0x815B ||
         (code >= 0x889F && code <= 0x9FFC) || (code >= 0xE040 && code <= 0xFC4B);
}

// What may follow a town's name: nothing, a separator (trailing words after it), a block,
// 字 or 大字 before a sub-area, 第 before a number, or anything but a word (a letter, a
// parenthesis). A word right after the name means the name did not end there.
bool TownFollows(std::string_view after, bool separated) {
  if (after.empty() || separated || BlockFollows(after)) return true;
  // A number that no block word follows (4万 and 10町 of 四万十町, 小100 and 0谷市 of 小千谷市).
  if (IsDigit(after[0])) return false;
  if (StartsWith(after, kAza) || StartsWith(after, kOaza)) return true;
  if (StartsWith(after, kDai) && after.size() > kDai.size() && IsDigit(after[kDai.size()])) return true;
  std::size_t n;
  return !IsWordCode(SjisCodeAt(after, 0, n));
}

// The postal code at the start of a match form ("1000001", "100-0001"): its value and
// length, or length 0.
std::size_t LeadingCode(std::string_view s, uint32_t& postal) {
  auto digits = [&](std::size_t from, std::size_t n) {
    if (s.size() < from + n) return false;
    for (std::size_t i = from; i < from + n; ++i)
      if (!IsDigit(s[i])) return false;
    return true;
  };
  std::size_t length = 0;
  if (digits(0, 3) && s.size() > 3 && (s[3] == '-' || s[3] == kNumberBreak) && digits(4, 4)) {
    length = 8;
  } else if (digits(0, 7)) {
    length = 7;
  }
  if (length == 0 || (s.size() > length && IsDigit(s[length]))) return 0;
  postal = 0;
  for (std::size_t i = 0; i < length; ++i)
    if (IsDigit(s[i])) postal = postal * 10 + static_cast<uint32_t>(s[i] - '0');
  return length;
}

void Add(std::vector<Resolution>& out, Resolution r) {
  for (const Resolution& have : out)
    if (have.postal == r.postal) return;
  out.push_back(r);
}

Resolution TownResolution(const AddressIndex& index, uint32_t town, MatchKind kind) {
  return Resolution{kind, false, town, index.Towns()[town].postal};
}

Resolution OfficeResolution(const AddressIndex& index, uint32_t office) {
  return Resolution{MatchKind::Office, true, office, index.Offices()[office].postal};
}

// Sapporo's grid as people write it: 北1西2 for 北1条西2丁目, 南15西16-9 for 南15条西16丁目9.
// Returns the text with its 条 written (kept in `own`), or the text as it is.
std::string_view SapporoGrid(std::string_view text, std::string& own) {
  static constexpr std::string_view kWays[] = {"\x96\x6b", "\x93\xec", "\x93\x8c", "\x90\xbc"};  // 北 南 東 西
  auto way = [&](std::size_t at, std::size_t from) {
    for (std::size_t i = from; i < 4; ++i)
      if (text.compare(at, 2, kWays[i]) == 0) return true;
    return false;
  };
  if (text.size() < 6 || !way(0, 0) || !IsDigit(text[2])) return text;
  std::size_t at = 2;
  while (at < text.size() && IsDigit(text[at])) ++at;
  if (at + 3 > text.size() || !way(at, 2) || !IsDigit(text[at + 2])) return text;
  own = std::string(text.substr(0, at)) + std::string(kJou) + std::string(text.substr(at));
  return own;
}

class CityResolver {
 public:
  CityResolver(const AddressIndex& index, uint32_t city, std::string_view text, const Query& query)
      : x_(index), city_(index.Cities()[city]), cityIndex_(city), text_(text), query_(query) {
    if (StartsWith(x_.Text(city_.kanji, city_.kanjiLength), kSapporoCity)) text_ = SapporoGrid(text_, own_);
  }

  Match Run();

 private:
  bool Building(Match& out);
  bool HasBuildings(const std::vector<uint32_t>& records) const;
  bool MeansNumberedTown(std::string_view key, std::string_view after) const;
  void BuildingOfTown(Match& out) const;
  const AddressIndex::Building* BuildingAt(std::string_view town, std::string_view after, const AddressRest& rest,
                                           bool& named) const;
  bool FloorOf(const AddressIndex::Building& building, int floor, Match& out) const;
  Match Town(const std::vector<uint32_t>& records, std::string_view after, const std::string& street) const;
  int NoteScore(const TownNote& note, const AddressRest& rest, std::string_view after, const std::string& street,
                MatchKind& kind) const;
  std::size_t OfficesAt(std::string_view from, Match& match) const;

  const AddressIndex& x_;
  const AddressIndex::City& city_;
  uint32_t cityIndex_;
  std::string_view text_;
  const Query& query_;
  std::string own_;  // the text as rewritten, where it is
};

Match CityResolver::Run() {
  Match out;
  if (city_.wholeCity) {
    out.score = kWholeCity;
    Add(out.results, TownResolution(x_, city_.firstTown, MatchKind::WholeCity));
    OfficesAt(text_, out);
    return out;
  }
  if (!text_.empty() && Building(out)) return out;

  // Where the town's name may start: at once; after 大字 or 字; in Kyoto after the street
  // position (the last direction word first).
  std::vector<std::size_t> starts;
  if (StartsWith(x_.Text(city_.kanji, city_.kanjiLength), kKyotoCity)) {
    std::vector<std::size_t> ends = DirectionWordEnds(text_);
    starts.assign(ends.rbegin(), ends.rend());
  }
  starts.push_back(0);
  if (StartsWith(text_, kOaza)) starts.push_back(kOaza.size());
  if (StartsWith(text_, kAza)) starts.push_back(kAza.size());

  std::vector<uint32_t> records;
  for (std::size_t start : starts) {
    std::string_view from = text_.substr(start);
    CharBoundaries at(from);
    std::string street = start > 0 && start != kOaza.size() ? StreetPosition(text_.substr(0, start)) : std::string();
    bool found = false;
    for (std::size_t n = at.size(); n-- > 1;) {
      if (at[n] > x_.MaxTownKey()) continue;
      // 大字北谷 is no town 大 with 字北谷 after it.
      if (at[n] < kOaza.size() && start == 0 && StartsWith(text_, kOaza)) continue;
      records.clear();
      std::string_view key = from.substr(0, at[n]);
      x_.Towns(cityIndex_, key, records);
      if (records.empty()) continue;
      Match m = Town(records, from.substr(at[n]), street);
      if (m.score == kNothing) continue;
      m.town = key;
      m.after = from.substr(at[n]);
      // A word right after the name (平南白士 of 平, 四万十町 of 四万, 稲荷町三丁目比 of
      // 稲荷町三丁目): not this town, nor a shorter one, unless a note names what follows, or a
      // floor follows in a town with buildings of its own (an unknown building).
      bool named = m.score >= kNamed && m.results.front().kind != MatchKind::Chome;  // not its numbers
      m.whole = named || TownFollows(m.after, query_.BreakAt(m.after.data()));
      if (!m.whole && !(HasBuildings(records) && ParseRest(m.after).floor != 0)) break;
      if (!named && MeansNumberedTown(key, m.after)) break;
      found = true;
      if (m.score > out.score) {
        out = std::move(m);
        // The office file may write the town with what stands before it (a street position).
        if (start == 0 || OfficesAt(text_, out) == 0) OfficesAt(from, out);
      }
      break;  // the longest town name that fits beats a shorter one
    }
    if (found && start > 0) break;  // a town after the street position
  }
  if (out.score != kNothing) {
    BuildingOfTown(out);
    return out;
  }
  // No town the address file lists: the city's code for such addresses, and the offices
  // at exactly that address by the office file's own town names.
  std::size_t named = OfficesAt(text_, out);
  int32_t area = -1;
  MatchKind kind = MatchKind::CatchAll;
  if (city_.banchiNext >= 0 && !text_.empty() && IsDigit(text_[0])) {
    area = city_.banchiNext;
    kind = MatchKind::Town;
  } else if (city_.catchAll >= 0) {
    area = city_.catchAll;
  }
  if (area >= 0) {
    out.results.insert(out.results.begin() + static_cast<std::ptrdiff_t>(named),
                       TownResolution(x_, static_cast<uint32_t>(area), kind));
  }
  if (!out.results.empty()) out.score = kind == MatchKind::Town ? kTown : kCatchAll;
  return out;
}

// Whether the text after a town's name is a number, its unit and a word, where a longer town
// name of the city goes on after that number and unit (浮津一番叮 for 浮津一番町, not 浮津
// and block 1番): a slip in that longer name.
bool CityResolver::MeansNumberedTown(std::string_view key, std::string_view after) const {
  std::size_t digits = 0;
  while (digits < after.size() && IsDigit(after[digits])) ++digits;
  if (digits == 0) return false;
  std::size_t unit = AddressIndex::UnitLength(after.substr(digits));
  std::size_t end = digits + unit;
  if (unit == 0 || end >= after.size() || query_.BreakAt(after.data() + end)) return false;
  std::size_t n;
  if (!IsWordCode(SjisCodeAt(after, end, n))) return false;
  std::string stem(key);
  stem.append(after.substr(0, end));
  return x_.NumberedStem(cityIndex_, stem);
}

// Whether a town (its records) has buildings with codes of their own.
bool CityResolver::HasBuildings(const std::vector<uint32_t>& records) const {
  for (uint32_t r : records) {
    const AddressIndex::Town& t = x_.Towns()[r];
    if (t.note != AddressIndex::kNoNote && x_.Note(t.note).kind == TownNote::Kind::ExceptBuildings) return true;
  }
  return false;
}

// A building of the city named in the address, after the name of its town: its floor's
// code, or its code for an unknown floor.
bool CityResolver::Building(Match& out) {
  std::vector<uint32_t> buildings;
  x_.BuildingsOf(cityIndex_, buildings);
  const AddressIndex::Building* best = nullptr;
  std::size_t bestAt = 0;
  for (uint32_t b : buildings) {
    const AddressIndex::Building& building = x_.Buildings()[b];
    std::string_view town =
        std::string_view(building.fullName).substr(0, building.fullName.size() - building.name.size());
    if (building.name.empty() || !StartsWith(text_, town)) continue;
    std::size_t at = text_.find(building.name, town.size() > 0 ? 0 : 0);
    if (at == std::string_view::npos) continue;
    if (best == nullptr || building.name.size() > best->name.size()) {
      best = &building;
      bestAt = at + building.name.size();
    }
  }
  if (best == nullptr) return false;
  AddressRest after = ParseRest(text_.substr(bestAt));
  if (!FloorOf(*best, after.floor, out)) return false;
  OfficesAt(text_, out);  // offices at the same block of the building's town
  return true;
}

// A town whose buildings have codes of their own, and a text that names a building or a
// floor after the town's block: the building by a part of its name, or by its block through
// the offices filed in it; its floor's code. A building or floor that tells no building
// gives the town's code for other buildings as a fallback.
void CityResolver::BuildingOfTown(Match& out) const {
  if (out.results.empty() || out.results.front().office) return;
  const AddressIndex::Town& t = x_.Towns()[out.results.front().record];
  if (t.note == AddressIndex::kNoNote || x_.Note(t.note).kind != TownNote::Kind::ExceptBuildings) return;
  AddressRest rest = ParseRest(out.after);
  if (rest.floor == 0 && rest.trailing.empty() && rest.leading.empty()) {
    // The block of a building with codes of its own, and no floor: the town's code is the
    // one code that leaves that building out, so it is no sure answer.
    bool named = false;
    if (rest.count > 0 && BuildingAt(out.town, out.after, rest, named) != nullptr)
      out.results.front().kind = MatchKind::BuildingUnknown;
    return;
  }
  bool named = false;
  if (const AddressIndex::Building* building = BuildingAt(out.town, out.after, rest, named)) {
    // Words after the block that name no building tell no more than the block alone: the
    // building found by its block, without a floor, is no sure answer.
    Match found;
    if ((named || rest.floor != 0) && FloorOf(*building, rest.floor, found)) {
      for (const Resolution& r : out.results)
        if (r.office) Add(found.results, r);
      found.offices = out.offices;
      out = std::move(found);
      return;
    }
  }
  out.results.front().kind = MatchKind::BuildingUnknown;
}

const AddressIndex::Building* CityResolver::BuildingAt(std::string_view town, std::string_view after,
                                                       const AddressRest& rest, bool& named) const {
  std::vector<uint32_t> buildings;
  x_.BuildingsOf(cityIndex_, buildings);
  auto ofTown = [&](const AddressIndex::Building& b) {
    return b.fullName.size() == town.size() + b.name.size() && StartsWith(b.fullName, town);
  };
  const AddressIndex::Building* found = nullptr;
  auto one = [&](const AddressIndex::Building& b) {
    if (found != nullptr && found != &b) return false;
    found = &b;
    return true;
  };
  // A part of its name (four bytes at least): 森タワー of 六本木ヒルズ森タワー, after the block;
  // or, without one, all that stands between the town and the floor (a name may hold a
  // numeral: 住友不動産六本木).
  auto byPart = [&](std::string_view part) -> const AddressIndex::Building* {
    found = nullptr;
    if (part.size() < 4) return nullptr;
    for (uint32_t i : buildings) {
      const AddressIndex::Building& b = x_.Buildings()[i];
      if (ofTown(b) && Contains(b.name, part) && !one(b)) return nullptr;
    }
    return found;
  };
  named = true;
  if (const AddressIndex::Building* b = byPart(rest.count > 0 ? rest.trailing : rest.leading)) return b;
  if (const AddressIndex::Building* b = byPart(after.substr(0, rest.floorAt))) return b;
  named = false;
  found = nullptr;
  if (rest.count == 0) return nullptr;
  // Its block: the offices at that block name the building, or hold codes of its series
  // (the first five digits of its floors' codes: 100-6751 at 丸の内1-9-1 is in
  // グラントウキョウノースタワー's 100-67xx); failing that, at the block the address's
  // numbers start with (2-2-1 of 2-2-1-1, a number within the block).
  std::vector<uint32_t> offices;
  x_.Offices(cityIndex_, town, offices);
  for (bool within : {false, true}) {
    for (uint32_t o : offices) {
      const AddressIndex::Office& office = x_.Offices()[o];
      bool at = within ? office.count >= 2 && office.count < rest.count : office.count == rest.count;
      if (!at || !std::equal(office.numbers, office.numbers + office.count, rest.numbers)) continue;
      std::string_view text = x_.Key(office.text, office.textLength);
      for (uint32_t i : buildings) {
        const AddressIndex::Building& b = x_.Buildings()[i];
        bool series = b.unknownFloor >= 0 && x_.Towns()[b.unknownFloor].postal / 100 == office.postal / 100;
        if (ofTown(b) && !b.name.empty() && (series || Contains(text, b.name)) && !one(b)) return nullptr;
      }
    }
    if (found != nullptr) return found;
  }
  return nullptr;
}

// The code of `floor` of a building (a basement, or a floor without a code of its own: its
// code for an unknown floor).
bool CityResolver::FloorOf(const AddressIndex::Building& building, int floor, Match& out) const {
  std::vector<uint32_t> records;
  x_.Towns(cityIndex_, building.fullName, records);
  for (uint32_t r : records) {
    const AddressIndex::Town& t = x_.Towns()[r];
    if (t.note == AddressIndex::kNoNote || floor <= 0) continue;
    const TownNote& note = x_.Note(t.note);
    if (note.kind == TownNote::Kind::Floor && note.floor == floor) {
      out.score = kFloor;
      Add(out.results, TownResolution(x_, r, MatchKind::Floor));
      return true;
    }
  }
  if (building.unknownFloor < 0) return false;
  out.score = kBuilding;
  Add(out.results, TownResolution(x_, static_cast<uint32_t>(building.unknownFloor), MatchKind::Building));
  return true;
}

int CityResolver::NoteScore(const TownNote& note, const AddressRest& rest, std::string_view after,
                            const std::string& street, MatchKind& kind) const {
  kind = MatchKind::Town;
  bool chomeForm = rest.hasChome || (!rest.banchiWord && rest.count >= 3);
  switch (note.kind) {
    case TownNote::Kind::None:
    case TownNote::Kind::ExceptBuildings:
      return kTown;
    case TownNote::Kind::Other:
      return kOther;
    case TownNote::Kind::ChomeForm:
      return chomeForm ? kForm : kNothing;
    case TownNote::Kind::BanchiForm:
      return chomeForm ? kNothing : kForm;
    case TownNote::Kind::Floor:
    case TownNote::Kind::FloorUnknown:
      return kNothing;  // buildings are found by their names
    case TownNote::Kind::Items:
      break;
  }
  int best = kNothing;
  for (const NoteItem& item : note.items) {
    if (!item.name.empty()) {
      // The part's name where the address goes on (after 字 or 大字), not inside other words
      // (逢隈卞郡 does not name the part 郡).
      std::string_view leading = rest.leading;
      if (StartsWith(leading, kOaza)) leading.remove_prefix(kOaza.size());
      if (StartsWith(leading, kAza)) leading.remove_prefix(kAza.size());
      bool named = StartsWith(after, item.name) || StartsWith(leading, item.name) ||
                   Contains(rest.trailing, item.name) || (!street.empty() && StreetPosition(item.name) == street) ||
                   (rest.count == 0 && !after.empty() && StreetPosition(after) == StreetPosition(item.name));
      if (named && kNamed > best) {
        best = kNamed;
        kind = MatchKind::Town;
      }
      continue;
    }
    int fit = FitNumbers(item, rest);
    int score = fit == 2 ? kNamed : fit == 1 ? kPartly : kNothing;
    if (score > best) {
      best = score;
      kind = MatchKind::Chome;
    }
  }
  return best;
}

Match CityResolver::Town(const std::vector<uint32_t>& records, std::string_view after,
                         const std::string& street) const {
  Match out;
  AddressRest rest = ParseRest(after);
  bool anyTown = false;
  std::vector<std::pair<int, Resolution>> scored;
  for (uint32_t r : records) {
    const AddressIndex::Town& t = x_.Towns()[r];
    if (t.building != AddressIndex::kNoBuilding) continue;
    anyTown = true;
    MatchKind kind = MatchKind::Town;
    int score = t.note == AddressIndex::kNoNote ? kTown : NoteScore(x_.Note(t.note), rest, after, street, kind);
    scored.emplace_back(score, TownResolution(x_, r, kind));
    out.score = std::max(out.score, score);
  }
  if (!anyTown) return out;
  if (out.score == kNothing) {
    // The town is written, but none of its notes fits what follows: every code of the town.
    out.score = kAnyOfTown;
    for (auto& [score, r] : scored) Add(out.results, Resolution{MatchKind::Town, false, r.record, r.postal});
    return out;
  }
  for (auto& [score, r] : scored)
    if (score == out.score) Add(out.results, r);
  return out;
}

// The large business offices at exactly the address written from `from` on (from its
// town's name on): under the longest town name of the office file that `from` starts with
// (or none), those whose block numbers are the address's. One whose name is written comes
// first, the others after the codes `match` holds. Returns how many went first.
std::size_t CityResolver::OfficesAt(std::string_view from, Match& match) const {
  for (std::string_view aza : {kOaza, kAza})  // filed without them
    if (StartsWith(from, aza)) from.remove_prefix(aza.size());
  CharBoundaries at(from);
  std::vector<uint32_t> offices;
  for (std::size_t n = at.size(); n-- > 0;) {
    if (at[n] > x_.MaxOfficeKey()) continue;
    offices.clear();
    x_.Offices(cityIndex_, from.substr(0, at[n]), offices);
    if (offices.empty()) continue;
    std::string_view after = from.substr(at[n]);
    AddressRest rest = ParseRest(after);
    // Offices whose name is written, ranked: the rest of their address written too, then
    // nothing more to their address, then the rest of it missing; longer names first.
    std::vector<std::pair<int, Resolution>> named;
    std::vector<Resolution> others;
    for (uint32_t o : offices) {
      const AddressIndex::Office& office = x_.Offices()[o];
      if (office.count != rest.count || !std::equal(rest.numbers, rest.numbers + rest.count, office.numbers)) continue;
      std::string_view name = x_.Key(office.name, office.nameLength);
      std::string_view text = x_.Key(office.text, office.textLength);
      bool here = text.empty() || Contains(after, text);
      if (Contains(after, name)) {
        int rank = (here ? (text.empty() ? 1 : 2) : 0) * 1000 + office.nameLength;
        named.emplace_back(rank, OfficeResolution(x_, o));
      } else if (here && (rest.count > 0 || !text.empty() || after.empty())) {
        others.push_back(OfficeResolution(x_, o));
      }
    }
    if (named.empty() && others.empty()) continue;
    std::stable_sort(named.begin(), named.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::stable_sort(others.begin(), others.end(),
                     [](const Resolution& a, const Resolution& b) { return a.postal < b.postal; });
    std::vector<Resolution> all;
    for (const auto& [rank, r] : named) all.push_back(r);
    all.insert(all.end(), match.results.begin(), match.results.end());
    all.insert(all.end(), others.begin(), others.end());
    match.results.clear();
    for (const Resolution& r : all) Add(match.results, r);
    match.offices = true;
    return named.size();
  }
  return 0;
}

std::vector<Resolution> ByCode(const AddressIndex& index, uint32_t postal) {
  std::vector<uint32_t> towns, offices;
  index.ByPostalCode(postal, towns, offices);
  if (!towns.empty()) return {Resolution{MatchKind::Code, false, towns.front(), postal}};
  if (!offices.empty()) return {Resolution{MatchKind::Code, true, offices.front(), postal}};
  return {};
}

}  // namespace

const char* MatchKindWord(MatchKind kind) {
  switch (kind) {
    case MatchKind::Town:
      return "town";
    case MatchKind::Chome:
      return "chome";
    case MatchKind::Building:
      return "building";
    case MatchKind::Floor:
      return "floor";
    case MatchKind::Office:
      return "office";
    case MatchKind::CatchAll:
      return "catchall";
    case MatchKind::WholeCity:
      return "whole-city";
    case MatchKind::Code:
      return "code";
    case MatchKind::BuildingUnknown:
      return "building-unknown";
    case MatchKind::OtherWard:
      return "other-ward";
  }
  return "";
}

const char* CertaintyWord(Certainty certainty) {
  switch (certainty) {
    case Certainty::Sure:
      return "sure";
    case Certainty::NotSure:
      return "not-sure";
    case Certainty::Ambiguous:
      return "ambiguous";
    case Certainty::NotFound:
      break;
  }
  return "not-found";
}

namespace {

// Whether a town name read at the very start of a text, with no prefecture or city before
// it, stands as a name: two characters at least, not a bare number nor a number and block
// words (７号 is no town alone), and what may follow a town follows it (丁寧 is no town 丁,
// 二番目 no town 二).
bool TownAlone(std::string_view key, std::string_view after, bool separated) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < key.size() && chars < 2; ++chars)
    i += IsSjisLeadByte(static_cast<unsigned char>(key[i])) && i + 1 < key.size() ? 2 : 1;
  if (chars < 2 || key.find_first_not_of("0123456789") == std::string_view::npos) return false;
  std::size_t digits = key.find_first_not_of("0123456789");
  if (digits > 0 && BlockFollows(key)) return false;
  return TownFollows(after, separated);
}

// A place a text may mean, and how well it fits there.
struct Candidate {
  uint32_t city;
  Match match;
  bool cityWritten = false;  // the text names the city (or its ward) before the town
  bool cityWhole = false;    // ... and nothing but a block (or nothing) after it
  bool otherWard = false;    // the town lies in another ward of the city than the one written
};

void Put(std::vector<Candidate>& candidates, Candidate c) {
  auto known = std::find_if(candidates.begin(), candidates.end(), [&](const Candidate& k) { return k.city == c.city; });
  if (known == candidates.end())
    candidates.push_back(std::move(c));
  else if (c.match.score > known->match.score)
    *known = std::move(c);
}

// The towns of a designated city written with a ward it does not have (浜松市中区, abolished),
// or without a ward: the wards in which the rest of the text names a town.
void DesignatedReadings(const AddressIndex& index, std::string_view text, int pref, const Query& query,
                        std::vector<Candidate>& candidates) {
  for (const AddressIndex::DesignatedCity& d : index.DesignatedCities()) {
    if ((pref != 0 && d.pref != pref) || text.size() < d.key.size() || text[1] != d.key[1] || !StartsWith(text, d.key))
      continue;
    std::string_view rest = text.substr(d.key.size());
    std::vector<uint32_t> wards;
    bool current = false;
    CharBoundaries at(rest);
    for (std::size_t n = 1; n < at.size() && n <= 5 && !current; ++n) {
      wards.clear();
      index.Cities(rest.substr(0, at[n]), d.pref, wards);
      current = std::any_of(wards.begin(), wards.end(),
                            [&](uint32_t w) { return std::find(d.wards.begin(), d.wards.end(), w) != d.wards.end(); });
    }
    if (current) continue;  // a ward of its own: read as that city
    // A part ending in 区 (one to four characters before it) that names no ward of the city.
    bool otherWard = false;
    for (std::size_t n = 2; n < at.size() && n <= 5; ++n) {
      if (rest.substr(at[n - 1], at[n] - at[n - 1]) == kWard) {
        rest.remove_prefix(at[n]);
        otherWard = true;
        break;
      }
    }
    for (uint32_t w : d.wards) {
      Match m = CityResolver(index, w, rest, query).Run();
      if (m.score <= kCatchAll || !m.whole) continue;
      if (otherWard)
        for (Resolution& r : m.results)
          if (!r.office) r.kind = MatchKind::OtherWard;
      Put(candidates, {w, std::move(m), true, false, otherWard});
    }
  }
}

// Every reading of `text` (match form, prefecture and postal code taken off).
void Readings(const AddressIndex& index, std::string_view text, int pref, const Query& query,
              std::vector<Candidate>& candidates) {
  CharBoundaries at(text);
  std::vector<uint32_t> cities;
  std::size_t before = candidates.size();
  // Every city (or ward) the text may start with, longest name first.
  for (std::size_t n = at.size(); n-- > 1;) {
    if (at[n] > index.MaxCityKey()) continue;
    cities.clear();
    index.Cities(text.substr(0, at[n]), pref, cities);
    for (uint32_t c : cities) {
      bool known = std::any_of(candidates.begin() + static_cast<std::ptrdiff_t>(before), candidates.end(),
                               [c](const Candidate& k) { return k.city == c; });
      if (known) continue;
      std::string_view after = text.substr(at[n]);
      Candidate k{c, CityResolver(index, c, after, query).Run(), true, false, false};
      k.cityWhole = k.match.town.empty() && (after.empty() || BlockFollows(after));
      Put(candidates, std::move(k));
    }
  }
  // A designated city written with a ward it lacks, or none: only where no city's town was
  // found (浜松市中区 is no ward of any city; 中区 of 浜松市中区 is no key of 浜松市).
  int found = kNothing;
  for (const Candidate& c : candidates) found = std::max(found, c.match.score);
  if (found <= kCatchAll) DesignatedReadings(index, text, pref, query, candidates);
  // A town found after a city ends the readings; a city with only a block after it (its
  // catch-all, its code for a number after its name, its one code) leaves a town of that
  // name elsewhere to be read too.
  int best = kNothing;
  for (const Candidate& c : candidates) best = std::max(best, c.cityWhole ? kCatchAll : c.match.score);
  if (best > kCatchAll) return;

  // A town written without its city: a whole town name, found in a city, beats a catch-all
  // (Sapporo's grid as the town: 南1西4).
  std::string grid;
  std::string_view named = SapporoGrid(text, grid);
  CharBoundaries atNamed(named);
  std::vector<uint32_t> towns;
  for (std::size_t n = atNamed.size(); n-- > 1 && towns.empty();) {
    if (atNamed[n] > index.MaxTownKey()) continue;
    std::string_view key = named.substr(0, atNamed[n]);
    std::string_view after = named.substr(atNamed[n]);
    // What follows a separator after a town alone is read as more of the address (愛知 知多郡…
    // is 愛知県 知多郡…), not as trailing words.
    if (!TownAlone(key, after, false)) continue;
    index.Towns(AddressIndex::kAnyCity, key, towns);
  }
  for (uint32_t t : towns) {
    uint32_t city = index.Towns()[t].city;
    if (pref != 0 && index.Cities()[city].pref != pref) continue;
    auto known =
        std::find_if(candidates.begin(), candidates.end(), [city](const Candidate& c) { return c.city == city; });
    // Read as a town, a text that reads as a city with no town after it (神恵内村4丁目: the
    // town 神恵内村 of 神恵内村) is that town.
    if (known != candidates.end() && known->match.score > kCatchAll) continue;
    Match m = CityResolver(index, city, text, query).Run();
    if (m.score <= kCatchAll || !m.whole) continue;
    if (known != candidates.end()) {
      known->match = std::move(m);
      known->cityWritten = known->cityWhole = false;
    } else {
      candidates.push_back({city, std::move(m), false, false, false});
    }
  }
}

// Whether `exact` (ExactForm of the text) holds a name as the data spells it.
bool Holds(std::string_view exact, std::string_view sjis) {
  std::string name = ExactForm(sjis);
  return !name.empty() && exact.find(name) != std::string_view::npos;
}

// Whether a reading holds its names as the data spells them, not through a variant
// spelling (藤崎町 is no 藤ケ崎町): its city when written (or the city without its 郡, a
// ward without its city), and its town.
bool ExactReading(const AddressIndex& index, std::string_view exact, const Candidate& c) {
  if (c.cityWritten) {
    const AddressIndex::City& city = index.Cities()[c.city];
    std::string_view name = index.Text(city.kanji, city.kanjiLength);
    bool held = Holds(exact, name);
    for (std::string_view mark : {std::string_view("\x8c\x53"), std::string_view("\x8e\x73")}) {  // 郡 市
      std::size_t at = 0;
      while (!held && (at = name.find(mark, at)) != std::string_view::npos) {
        if (at % 2 == 0 && at + 2 < name.size()) held = Holds(exact, name.substr(at + 2));
        at += 1;
      }
    }
    if (!held) return false;
  }
  if (c.match.town.empty()) return true;
  for (const Resolution& r : c.match.results) {
    if (r.office) continue;
    const AddressIndex::Town& t = index.Towns()[r.record];
    std::string_view name = index.Text(t.kanji, t.kanjiLength);
    std::size_t paren = name.find("\x81\x69");  // （
    while (paren != std::string_view::npos && paren % 2 != 0) paren = name.find("\x81\x69", paren + 1);
    return Holds(exact, name.substr(0, paren));
  }
  return true;
}

ResolveAnswer Answer(const AddressIndex& index, std::string_view sjis) {
  ResolveAnswer answer;
  std::vector<std::size_t> breaks;
  std::string form = QueryForm(sjis, breaks);
  Query query{form, &breaks};
  std::string_view text = form;
  if (StartsWith(text, kPostalMark)) text.remove_prefix(kPostalMark.size());

  // A postal code: alone it resolves to itself; before an address it picks among its
  // candidates, or stands for it when nothing else fits.
  uint32_t given = 0;
  auto byCode = [&] {
    answer.codes = ByCode(index, given);
    answer.certainty = answer.codes.empty() ? Certainty::NotFound : Certainty::Sure;
    return answer;
  };
  if (std::size_t n = LeadingCode(text, given)) {
    text.remove_prefix(n);
    if (text.empty()) return byCode();
  }

  // The prefecture: its name, or where none is written, its name without 都, 府 or 県 as one
  // more reading (千葉市川市 is 千葉県市川市, as 千葉市 has no part 川市).
  int pref = 0, bare = 0;
  std::size_t bareLength = 0;
  CharBoundaries at(text);
  for (std::size_t n = at.size(); n-- > 1;) {
    if (at[n] <= index.MaxPrefectureKey() && (pref = index.Prefecture(text.substr(0, at[n]))) != 0) {
      text.remove_prefix(at[n]);
      break;
    }
  }
  for (std::size_t n = at.size(); pref == 0 && bare == 0 && n-- > 1;)
    if (at[n] <= index.MaxPrefectureKey() && (bare = index.PrefectureWithoutSuffix(text.substr(0, at[n]))) != 0)
      bareLength = at[n];
  std::vector<Candidate> candidates;
  if (pref == 0 && bare != 0) Readings(index, text.substr(bareLength), bare, query, candidates);
  Readings(index, text, pref, query, candidates);
  int best = kNothing;
  for (const Candidate& c : candidates) best = std::max(best, c.match.score);
  if (best == kNothing) return given != 0 ? byCode() : answer;
  // Across cities a town fits as well as another whatever its notes say: only a building
  // of its own tells one apart.
  int floor = best >= kBuilding || best <= kCatchAll ? best : kAnyOfTown;
  // A city (or ward, or 郡 town) written whole with a block after it is a reading of its own:
  // 柴田町12番地 is also 柴田郡柴田町, not only 名古屋市南区柴田町.
  candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                  [floor](const Candidate& c) {
                                    return c.match.score < floor && !(c.cityWhole && c.match.score > kNothing);
                                  }),
                   candidates.end());
  if (candidates.size() > 1)
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.match.score > b.match.score; });
  // A reading through a variant spelling counts less than one of names as the data spells
  // them, whatever their kinds (the city 外ヶ浜町 over the town 外浜町).
  if (candidates.size() > 1) {
    std::string exact = ExactForm(sjis);
    std::vector<bool> exactOnes;
    for (const Candidate& c : candidates) exactOnes.push_back(ExactReading(index, exact, c));
    // Of one kind (two towns), both fit, the exact one first; an exact city (read without a
    // town) rules out a town read through a variant, and an exact town a city so read.
    auto townRead = [](const Candidate& c) { return !c.match.town.empty(); };
    bool exactTown = false, exactCity = false;
    for (std::size_t i = 0; i < candidates.size(); ++i)
      (townRead(candidates[i]) ? exactTown : exactCity) |= exactOnes[i];
    std::vector<Candidate> kept, after;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      bool outdone = !exactOnes[i] && (townRead(candidates[i]) ? exactCity : exactTown);
      if (!outdone) (exactOnes[i] ? kept : after).push_back(std::move(candidates[i]));
    }
    for (Candidate& c : after) kept.push_back(std::move(c));
    candidates = std::move(kept);
  }
  // A town's name written whole in one city beats one that only starts the text in another
  // (港区海岸通 of 大阪市 over 東京都港区海岸).
  if (candidates.size() > 1 &&
      std::any_of(candidates.begin(), candidates.end(), [](const Candidate& c) { return c.match.whole; }))
    candidates.erase(
        std::remove_if(candidates.begin(), candidates.end(), [](const Candidate& c) { return !c.match.whole; }),
        candidates.end());
  // Several cities fit as well: large offices at exactly that address in one of them tell
  // which; otherwise there is no single code.
  if (candidates.size() > 1 && best > kCatchAll) {
    auto withOffices =
        std::count_if(candidates.begin(), candidates.end(), [](const Candidate& c) { return c.match.offices; });
    if (withOffices == 1)
      candidates.erase(
          std::remove_if(candidates.begin(), candidates.end(), [](const Candidate& c) { return !c.match.offices; }),
          candidates.end());
  }
  if (candidates.size() > 1) {
    answer.severalCities = true;
    for (const Candidate& c : candidates)
      for (const Resolution& r : c.match.results)
        if (!r.office) {
          Add(answer.codes, r);
          break;
        }
  } else {
    // An office is the answer only when named; the others stand beside the answer.
    const std::vector<Resolution>& results = candidates.front().match.results;
    for (const Resolution& r : results) {
      if (results.front().office ? answer.codes.empty() : !r.office)
        answer.codes.push_back(r);
      else
        answer.also.push_back(r);
    }
    if (answer.codes.empty()) answer.codes.swap(answer.also);
  }
  if (given != 0) {
    auto pick = [given](const Resolution& r) { return r.postal == given; };
    auto it = std::find_if(answer.codes.begin(), answer.codes.end(), pick);
    if (it != answer.codes.end()) {
      std::rotate(answer.codes.begin(), it, it + 1);
      answer.codes.resize(1);
    } else if ((it = std::find_if(answer.also.begin(), answer.also.end(), pick)) != answer.also.end()) {
      answer.codes.assign(1, *it);
      answer.also.erase(it);
    } else if (candidates.size() > 1 || best <= kCatchAll) {
      return byCode();
    }
    answer.severalCities = answer.severalCities && answer.codes.size() > 1;
  }
  if (answer.codes.size() > 1) {
    answer.certainty = Certainty::Ambiguous;
  } else {
    MatchKind kind = answer.codes.front().kind;
    bool fallback = kind == MatchKind::CatchAll || kind == MatchKind::BuildingUnknown || kind == MatchKind::OtherWard;
    answer.certainty = fallback ? Certainty::NotSure : Certainty::Sure;
  }
  return answer;
}

}  // namespace

ResolveAnswer ResolveAddress(const AddressIndex& index, std::string_view sjis) {
  return Answer(index, sjis);
}

std::vector<Resolution> Resolve(const AddressIndex& index, std::string_view sjis) {
  ResolveAnswer answer = Answer(index, sjis);
  // Never guess across cities.
  if (answer.severalCities) return {};
  std::vector<Resolution> out = std::move(answer.codes);
  for (const Resolution& r : answer.also) Add(out, r);
  return out;
}

bool MayBeAddress(std::string_view sjis) {
  static constexpr unsigned kNameEnds[] = {0x8E73, 0x8BE6, 0x92AC, 0x91BA, 0x8C53, 0x9373, 0x93B9, 0x957B, 0x8CA7};
  for (std::size_t i = 0; i + 1 < sjis.size();) {
    auto lead = static_cast<unsigned char>(sjis[i]);
    if (!IsSjisLeadByte(lead)) {
      ++i;
      continue;
    }
    unsigned code = lead << 8 | static_cast<unsigned char>(sjis[i + 1]);
    for (unsigned end : kNameEnds)
      if (code == end) return true;
    i += 2;
  }
  return false;
}

bool WritesBlock(std::string_view sjis) {
  static constexpr std::string_view kChome = "\x92\x9A\x96\xDA", kBanchi = "\x94\xD4\x92\x6E";  // 丁目 番地
  for (std::size_t i = 0; i < sjis.size();) {
    auto lead = static_cast<unsigned char>(sjis[i]);
    if (!IsSjisLeadByte(lead)) {
      if (lead >= '0' && lead <= '9') return true;
      ++i;
      continue;
    }
    if (i + 1 >= sjis.size()) break;
    unsigned code = lead << 8 | static_cast<unsigned char>(sjis[i + 1]);
    std::string_view here = sjis.substr(i);
    if ((code >= 0x824F && code <= 0x8258) || StartsWith(here, kChome) || StartsWith(here, kBanchi)) return true;
    i += 2;
  }
  return false;
}

std::string RecordText(const AddressIndex& index, const Resolution& r) {
  if (!r.office) {
    const AddressIndex::Town& t = index.Towns()[r.record];
    const AddressIndex::City& c = index.Cities()[t.city];
    return std::string(index.PrefKanji(c.pref)) + std::string(index.Text(c.kanji, c.kanjiLength)) +
           std::string(index.Text(t.kanji, t.kanjiLength));
  }
  const AddressIndex::Office& o = index.Offices()[r.record];
  std::string name(index.Text(o.fields + o.lengths[0], o.lengths[1]));
  std::string address;
  if (o.city != AddressIndex::kNoCity) {
    const AddressIndex::City& c = index.Cities()[o.city];
    address = std::string(index.PrefKanji(c.pref)) + std::string(index.Text(c.kanji, c.kanjiLength));
  }
  address += index.Text(o.fields + o.lengths[0] + o.lengths[1], o.lengths[2]);
  address += index.Text(o.fields + o.lengths[0] + o.lengths[1] + o.lengths[2], o.lengths[3]);
  return name + " " + address;
}

}  // namespace tanzel
