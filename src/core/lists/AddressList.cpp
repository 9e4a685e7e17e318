#include "core/lists/AddressList.h"

#include <algorithm>

#include "core/lists/Csv.h"
#include "core/lists/ListFile.h"

namespace tanzel {

std::string AddressList::SjisField(std::size_t row, int column) const {
  if (row >= rows.size() || column < 0 || static_cast<std::size_t>(column) >= rows[row].size()) return {};
  return FieldToSjis(rows[row][column], encoding);
}

std::optional<AddressList> ReadAddressList(std::string_view bytes, const std::atomic<bool>& cancel,
                                           std::string& error) {
  std::optional<ListFormat> format = InspectList(bytes, error);
  if (!format) return std::nullopt;
  AddressList list;
  list.encoding = format->encoding;
  list.delimiter = format->delimiter;
  CsvReader reader(format->body, format->delimiter);
  std::vector<std::string> fields;
  while (reader.Next(fields)) {
    if ((list.rows.size() & 4095) == 0 && cancel.load(std::memory_order_relaxed)) {
      error = "cancelled";
      return std::nullopt;
    }
    list.width = std::max(list.width, fields.size());
    list.rows.emplace_back(fields.begin(), fields.end());
  }
  error = reader.error();
  if (!error.empty()) return std::nullopt;
  return list;
}

RowAnswer ResolveListRow(const AddressIndex& index, const AddressList& list, std::size_t row,
                         const ListColumns& columns, const RowDecision* decision) {
  std::string address;
  if (decision && decision->address) {
    address = *decision->address;
  } else {
    std::vector<std::string> sjis(list.width);
    for (int c : columns.address) sjis[static_cast<std::size_t>(c)] = list.SjisField(row, c);
    address = JoinAddress(sjis, columns.address);
  }
  RowAnswer answer = ResolveRow(index, address, list.SjisField(row, columns.code));
  if (decision && decision->postal) {
    const auto& codes = answer.answer.codes;
    auto it =
        std::find_if(codes.begin(), codes.end(), [&](const Resolution& r) { return r.postal == *decision->postal; });
    if (it != codes.end()) ChooseCandidate(answer, static_cast<std::size_t>(it - codes.begin()));
  }
  return answer;
}

bool SaveAddressList(const std::string& path, const AddressList& list, std::size_t first, bool withCode,
                     const std::vector<RowAnswer>& answers, const AddressIndex& index, TextEncoding to,
                     std::string& error) {
  const int appended = withCode ? kAppendedColumns : kAppendedColumns - 1;
  auto write = [&](std::FILE* file) {
    std::string out;
    if (to == TextEncoding::Utf8Bom) out.append(kUtf8Bom);
    for (std::size_t r = 0; r < list.rows.size(); ++r) {
      std::array<std::string, kAppendedColumns> cells;
      if (r < first)
        cells = AppendedNames();
      else if (r - first < answers.size())
        cells = AppendedCells(index, answers[r - first]);
      if (!AppendListRow(out, list.rows[r], list.width, list.encoding, to, cells, appended)) {
        error = "row " + std::to_string(r + 1) + " holds a character Shift-JIS cannot represent";
        return false;
      }
      if (out.size() >= (1u << 16)) {
        if (std::fwrite(out.data(), 1, out.size(), file) != out.size()) return false;
        out.clear();
      }
    }
    return std::fwrite(out.data(), 1, out.size(), file) == out.size();
  };
  return WriteFileAtomically(path, write, error);
}

}  // namespace tanzel
