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

}  // namespace

RowAnswer ResolveRow(const AddressIndex& index, std::string_view sjis, std::string_view existing) {
  RowAnswer row;
  if (!sjis.empty()) row.answer = ResolveAddress(index, sjis);
  row.existing = existing.empty() ? std::nullopt : ParsePostal(existing);
  row.agreement = Compare(row);
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

const std::array<std::string, kAppendedColumns>& AppendedNames() {
  static const std::array<std::string, kAppendedColumns> names = {
      Utf8ToSjis("郵便番号").value(), Utf8ToSjis("確度").value(), Utf8ToSjis("該当住所").value(),
      Utf8ToSjis("既存番号").value()};
  return names;
}

const char* RowCertaintyWord(const RowAnswer& row) {
  return row.chosen ? "chosen" : CertaintyWord(row.answer.certainty);
}

const char* AgreementWord(Agreement agreement) {
  switch (agreement) {
    case Agreement::Agrees:
      return "agrees";
    case Agreement::Among:
      return "among";
    case Agreement::Differs:
      return "differs";
    default:
      return "";
  }
}

std::array<std::string, kAppendedColumns> AppendedCells(const AddressIndex& index, const RowAnswer& row) {
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
  cells[1] = RowCertaintyWord(row);
  cells[3] = AgreementWord(row.agreement);
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
