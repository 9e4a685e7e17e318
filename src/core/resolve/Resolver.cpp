#include "core/resolve/Resolver.h"

#include <algorithm>
#include <cstdio>

#include "core/text/SjisText.h"

namespace tanzel {

namespace {

constexpr std::string_view kPostalMark = "\x81\xa7";                 // 〒
constexpr std::string_view kOaza = "\x91\xe5\x8e\x9a";               // 大字
constexpr std::string_view kAza = "\x8e\x9a";                        // 字
constexpr std::string_view kKyotoCity = "\x8b\x9e\x93\x73\x8e\x73";  // 京都市

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
  bool offices = false;  // offices at exactly this address are among the results
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

class CityResolver {
 public:
  CityResolver(const AddressIndex& index, uint32_t city, std::string_view text)
      : x_(index), city_(index.Cities()[city]), cityIndex_(city), text_(text) {}

  Match Run();

 private:
  bool Building(Match& out);
  Match Town(const std::vector<uint32_t>& records, std::string_view after, const std::string& street) const;
  int NoteScore(const TownNote& note, const AddressRest& rest, std::string_view after, const std::string& street,
                MatchKind& kind) const;
  std::size_t OfficesAt(std::string_view from, Match& match) const;

  const AddressIndex& x_;
  const AddressIndex::City& city_;
  uint32_t cityIndex_;
  std::string_view text_;
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
    std::vector<std::size_t> at = CharBoundaries(from);
    std::string street = start > 0 && start != kOaza.size() ? StreetPosition(text_.substr(0, start)) : std::string();
    bool found = false;
    for (std::size_t n = at.size(); n-- > 1;) {
      if (at[n] > x_.MaxTownKey()) continue;
      records.clear();
      std::string_view key = from.substr(0, at[n]);
      x_.Towns(cityIndex_, key, records);
      if (records.empty()) continue;
      Match m = Town(records, from.substr(at[n]), street);
      if (m.score == kNothing) continue;
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
  if (out.score != kNothing) return out;
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
  std::vector<uint32_t> records;
  x_.Towns(cityIndex_, best->fullName, records);
  for (uint32_t r : records) {
    const AddressIndex::Town& t = x_.Towns()[r];
    if (t.note == AddressIndex::kNoNote || after.floor <= 0) continue;
    const TownNote& note = x_.Note(t.note);
    if (note.kind == TownNote::Kind::Floor && note.floor == after.floor) {
      out.score = kFloor;
      Add(out.results, TownResolution(x_, r, MatchKind::Floor));
      break;
    }
  }
  if (out.score == kNothing) {
    if (best->unknownFloor < 0) return false;
    out.score = kBuilding;
    Add(out.results, TownResolution(x_, static_cast<uint32_t>(best->unknownFloor), MatchKind::Building));
  }
  OfficesAt(text_, out);  // offices at the same block of the building's town
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
      bool named = StartsWith(after, item.name) || Contains(rest.leading, item.name) ||
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
  std::vector<std::size_t> at = CharBoundaries(from);
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

ResolveAnswer ResolveAddress(const AddressIndex& index, std::string_view sjis) {
  ResolveAnswer answer;
  answer.codes = Resolve(index, sjis);
  if (answer.codes.size() > 1) {
    answer.certainty = Certainty::Ambiguous;
  } else if (answer.codes.size() == 1) {
    answer.certainty = answer.codes[0].kind == MatchKind::CatchAll ? Certainty::NotSure : Certainty::Sure;
  }
  return answer;
}

std::vector<Resolution> Resolve(const AddressIndex& index, std::string_view sjis) {
  std::string form = MatchForm(sjis);
  std::string_view text = form;
  if (StartsWith(text, kPostalMark)) text.remove_prefix(kPostalMark.size());

  // A postal code: alone it resolves to itself; before an address it only breaks ties.
  uint32_t given = 0;
  if (std::size_t n = LeadingCode(text, given)) {
    text.remove_prefix(n);
    if (text.empty()) return ByCode(index, given);
  }

  int pref = 0;
  std::vector<std::size_t> at = CharBoundaries(text);
  for (std::size_t n = at.size(); n-- > 1;) {
    if (at[n] <= index.MaxPrefectureKey() && (pref = index.Prefecture(text.substr(0, at[n]))) != 0) {
      text.remove_prefix(at[n]);
      at = CharBoundaries(text);
      break;
    }
  }

  // Every city the text may start with, longest name first.
  struct Candidate {
    uint32_t city;
    Match match;
  };
  std::vector<Candidate> candidates;
  std::vector<uint32_t> cities;
  for (std::size_t n = at.size(); n-- > 1;) {
    if (at[n] > index.MaxCityKey()) continue;
    cities.clear();
    index.Cities(text.substr(0, at[n]), pref, cities);
    for (uint32_t c : cities) candidates.push_back({c, CityResolver(index, c, text.substr(at[n])).Run()});
  }

  // No city written: a town name that only one city of Japan (of the prefecture written)
  // has, or a building of its own that only one has.
  if (candidates.empty()) {
    std::vector<uint32_t> towns;
    for (std::size_t n = at.size(); n-- > 1 && towns.empty();) {
      if (at[n] <= index.MaxTownKey()) index.Towns(AddressIndex::kAnyCity, text.substr(0, at[n]), towns);
    }
    for (uint32_t t : towns) {
      uint32_t city = index.Towns()[t].city;
      bool known =
          std::any_of(candidates.begin(), candidates.end(), [city](const Candidate& c) { return c.city == city; });
      if (!known && (pref == 0 || index.Cities()[city].pref == pref))
        candidates.push_back({city, CityResolver(index, city, text).Run()});
    }
    if (candidates.size() > 1) {
      // Several cities have the town: only a building or large offices at exactly that
      // address tell which.
      int top = kNothing;
      for (const Candidate& c : candidates) top = std::max(top, c.match.score);
      auto atTop = std::count_if(candidates.begin(), candidates.end(),
                                 [top](const Candidate& c) { return c.match.score == top; });
      auto withOffices =
          std::count_if(candidates.begin(), candidates.end(), [](const Candidate& c) { return c.match.offices; });
      if (top >= kBuilding && atTop == 1) {
        candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                        [top](const Candidate& c) { return c.match.score != top; }),
                         candidates.end());
      } else if (withOffices == 1) {
        candidates.erase(
            std::remove_if(candidates.begin(), candidates.end(), [](const Candidate& c) { return !c.match.offices; }),
            candidates.end());
      } else {
        candidates.clear();
      }
    }
  }

  int best = kNothing;
  for (const Candidate& c : candidates) best = std::max(best, c.match.score);
  std::vector<Resolution> out;
  if (best == kNothing) return given != 0 ? ByCode(index, given) : out;
  uint32_t firstCity = UINT32_MAX;
  bool severalCities = false;
  for (const Candidate& c : candidates) {
    if (c.match.score != best) continue;
    if (firstCity != UINT32_MAX && c.city != firstCity) severalCities = true;
    if (firstCity == UINT32_MAX) firstCity = c.city;
    for (const Resolution& r : c.match.results) Add(out, r);
  }
  // Never guess across cities: a town unknown in several cities is unknown.
  if (severalCities && best <= kCatchAll) out.clear();
  if (given != 0) {
    auto it = std::find_if(out.begin(), out.end(), [given](const Resolution& r) { return r.postal == given; });
    if (it != out.end()) std::rotate(out.begin(), it, it + 1);
    if (out.empty()) return ByCode(index, given);
  }
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
