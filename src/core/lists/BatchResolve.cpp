#include "core/lists/BatchResolve.h"

#include <algorithm>

#include "core/lists/Csv.h"
#include "core/lists/ListText.h"
#include "core/text/SjisText.h"

namespace tanzel {

namespace {

Agreement Compare(const RowAnswer& row) {
  if (!row.existing || row.answer.codes.empty()) return Agreement::None;
  const auto same = [&](const Resolution& r) { return r.postal == *row.existing; };
  if (row.answer.certainty == Certainty::Ambiguous && !row.chosen)
    return std::any_of(row.answer.codes.begin(), row.answer.codes.end(), same) ? Agreement::Among : Agreement::Differs;
  return same(row.answer.codes.front()) ? Agreement::Agrees : Agreement::Differs;
}

// A town's name as the data spells it, its note left off.
std::string_view TownName(const AddressIndex& index, const AddressIndex::Town& town) {
  std::string_view name = index.Text(town.kanji, town.kanjiLength);
  std::size_t note = name.find("\x81\x69");  // （
  return note == std::string_view::npos ? name : name.substr(0, note);
}

// Whether an answer `r` leaves the building open: a town, its blocks, a building without its
// floor, a town's code for other buildings, a whole village.
bool OpenToBuilding(const Resolution& r) {
  return !r.office && (r.kind == MatchKind::Town || r.kind == MatchKind::Chome || r.kind == MatchKind::Building ||
                       r.kind == MatchKind::BuildingUnknown || r.kind == MatchKind::WholeCity);
}

// The record of code `postal` that is a building, floor or office inside the town of `r`.
std::optional<Resolution> InsideTown(const AddressIndex& index, const Resolution& r, uint32_t postal) {
  const AddressIndex::Town& town = index.Towns()[r.record];
  const std::string_view name = TownName(index, town);
  std::vector<uint32_t> towns, offices;
  index.ByPostalCode(postal, towns, offices);
  for (uint32_t t : towns) {
    const AddressIndex::Town& other = index.Towns()[t];
    if (other.city != town.city || other.building == AddressIndex::kNoBuilding) continue;
    if (index.Text(other.kanji, other.kanjiLength).substr(0, name.size()) != name) continue;
    const bool unknownFloor = index.Buildings()[other.building].unknownFloor == static_cast<int32_t>(t);
    return Resolution{unknownFloor ? MatchKind::Building : MatchKind::Floor, false, t, postal};
  }
  for (uint32_t o : offices) {
    const AddressIndex::Office& office = index.Offices()[o];
    if (office.city != town.city) continue;
    const std::string_view at = index.Text(office.fields + office.lengths[0] + office.lengths[1], office.lengths[2]);
    if (at.substr(0, name.size()) != name) continue;
    return Resolution{MatchKind::Office, true, o, postal};
  }
  return std::nullopt;
}

// Makes `r` the row's one sure code, as its existing code decided.
void TakeExisting(RowAnswer& row, const Resolution& r, CodeEvidence evidence) {
  row.answer.codes.assign(1, r);
  row.answer.certainty = Certainty::Sure;
  row.answer.severalCities = false;
  row.evidence = evidence;
  row.agreement = Agreement::Agrees;
}

}  // namespace

RowAnswer ResolveRow(const AddressIndex& index, std::string_view sjis, std::string_view existing) {
  RowAnswer row;
  if (!sjis.empty()) row.answer = ResolveAddress(index, sjis);
  row.existing = existing.empty() ? std::nullopt : ParsePostal(existing);
  row.agreement = Compare(row);
  const auto& codes = row.answer.codes;
  if (row.agreement == Agreement::Among) {
    auto it = std::find_if(codes.begin(), codes.end(), [&](const Resolution& r) { return r.postal == *row.existing; });
    TakeExisting(row, *it, CodeEvidence::AmongCandidates);
  } else if (row.agreement == Agreement::Differs && codes.size() == 1 && OpenToBuilding(codes.front())) {
    if (std::optional<Resolution> inside = InsideTown(index, codes.front(), *row.existing))
      TakeExisting(row, *inside, CodeEvidence::InsideTown);
  }
  return row;
}

void ChooseCandidate(RowAnswer& row, std::size_t i) {
  if (i >= row.answer.codes.size()) return;
  Resolution picked = row.answer.codes[i];
  row.answer.codes.assign(1, picked);
  row.chosen = true;
  row.agreement = Compare(row);
}

bool NeedsPerson(const RowAnswer& row) {
  if (row.agreement == Agreement::Differs) return true;
  return !row.chosen && row.answer.certainty != Certainty::Sure;
}

std::array<std::string, kAppendedColumns> AppendedNames(const std::vector<std::string>* header) {
  static const std::array<std::string, kAppendedColumns> names = {
      Utf8ToSjis("郵便番号（検索結果）").value(), Utf8ToSjis("確度").value(), Utf8ToSjis("該当住所").value(),
      Utf8ToSjis("既存番号との照合").value()};
  static const std::string mark = Utf8ToSjis("（検索結果）").value();
  std::array<std::string, kAppendedColumns> out = names;
  if (!header) return out;
  auto taken = [&](const std::string& name) {
    return std::find(header->begin(), header->end(), name) != header->end();
  };
  for (std::string& name : out) {
    if (!taken(name)) continue;
    const std::string base =
        name.size() > mark.size() && name.compare(name.size() - mark.size(), mark.size(), mark) == 0 ? name
                                                                                                     : name + mark;
    name = base;
    for (int n = 2; taken(name); ++n) name = base + std::to_string(n);
  }
  return out;
}

namespace {

// The words of certainties in the order of Certainty, then "chosen", and of agreements in
// the order of Agreement; Japanese (Shift-JIS) and English.
struct WordSet {
  std::array<std::string, static_cast<std::size_t>(Certainty::NotFound) + 2> certainty;
  std::array<std::string, static_cast<std::size_t>(Agreement::Differs) + 1> agreement;
};

const WordSet& Words(ListWords words) {
  static const WordSet japanese = {
      {Utf8ToSjis("確実").value(), Utf8ToSjis("要確認").value(), Utf8ToSjis("複数候補").value(),
       Utf8ToSjis("該当なし").value(), Utf8ToSjis("選択済み").value()},
      {"", Utf8ToSjis("一致").value(), Utf8ToSjis("候補にあり").value(), Utf8ToSjis("不一致").value()}};
  static const WordSet english = {{CertaintyWord(Certainty::Sure), CertaintyWord(Certainty::NotSure),
                                   CertaintyWord(Certainty::Ambiguous), CertaintyWord(Certainty::NotFound), "chosen"},
                                  {"", "agrees", "among", "differs"}};
  return words == ListWords::English ? english : japanese;
}

}  // namespace

const std::string& RowCertaintyWord(const RowAnswer& row, ListWords words) {
  const auto& certainty = Words(words).certainty;
  return certainty[row.chosen ? certainty.size() - 1 : static_cast<std::size_t>(row.answer.certainty)];
}

const std::string& AgreementWord(Agreement agreement, ListWords words) {
  return Words(words).agreement[static_cast<std::size_t>(agreement)];
}

std::array<std::string, kAppendedColumns> AppendedCells(const AddressIndex& index, const RowAnswer& row,
                                                        ListWords words) {
  std::array<std::string, kAppendedColumns> cells;
  const auto& codes = row.answer.codes;
  const bool single =
      row.chosen || row.answer.certainty == Certainty::Sure || row.answer.certainty == Certainty::NotSure;
  if (single && !codes.empty()) {
    cells[0] = PostalText(codes.front().postal);
    cells[2] = RecordText(index, codes.front());
  } else {
    for (const Resolution& r : codes) {
      if (!cells[2].empty()) cells[2] += " / ";
      cells[2] += PostalText(r.postal) + " " + RecordText(index, r);
    }
  }
  cells[1] = RowCertaintyWord(row, words);
  cells[3] = AgreementWord(row.agreement, words);
  return cells;
}

void ListSummary::Add(const RowAnswer& row) {
  ++rows;
  if (row.chosen) {
    ++chosen;
  } else {
    switch (row.answer.certainty) {
      case Certainty::Sure:
        ++sure;
        break;
      case Certainty::NotSure:
        ++notSure;
        break;
      case Certainty::Ambiguous:
        ++ambiguous;
        break;
      case Certainty::NotFound:
        ++notFound;
        break;
    }
  }
  differs += row.agreement == Agreement::Differs;
}

bool AppendListRow(std::string& out, const std::vector<std::string>& raw, std::size_t width, TextEncoding from,
                   TextEncoding to, const std::array<std::string, kAppendedColumns>& cells, int appended) {
  std::string converted;
  std::size_t n = std::max(width, raw.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) out.push_back(',');
    if (i >= raw.size()) continue;
    if (!ConvertField(raw[i], from, to, converted)) return false;
    AppendCsvField(out, converted, ',');
  }
  for (int i = 0; i < appended; ++i) {
    out.push_back(',');
    SjisToEncoding(cells[i], to, converted);
    AppendCsvField(out, converted, ',');
  }
  out += "\r\n";
  return true;
}

}  // namespace tanzel
