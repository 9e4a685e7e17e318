#include "core/lists/AddressList.h"

#include <algorithm>

#include "core/lists/Csv.h"
#include "core/lists/ListFile.h"
#include "core/lists/UserFile.h"
#include "core/lists/Workbook.h"

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

std::optional<AddressList> ReadListFile(const std::string& path, const std::string& sheet,
                                        const std::atomic<bool>& cancel, std::string& error) {
  MappedList mapped;
  if (!mapped.Open(path, kMaxHeldListBytes, error)) return std::nullopt;
  if (!IsWorkbookPath(path)) return ReadAddressList(mapped.bytes(), cancel, error);
  AddressList list;
  if (!ReadWorkbook(mapped.bytes(), sheet, kMaxSheetXmlBytes, list.rows, error)) {
    error = path + ": " + error;
    return std::nullopt;
  }
  if (list.rows.empty()) {
    error = path + ": the sheet is empty";
    return std::nullopt;
  }
  for (const auto& row : list.rows) list.width = std::max(list.width, row.size());
  return list;
}

RowAnswer ResolveListRow(const AddressIndex& index, const AddressList& list, std::size_t row,
                         const ListColumns& columns, const RowDecision* decision) {
  static const std::vector<std::string> none;
  return ResolveFields(index, row < list.rows.size() ? list.rows[row] : none, list.encoding, columns, decision);
}

bool SaveAddressList(const std::string& path, const AddressList& list, std::size_t first, bool withCode,
                     const std::vector<RowAnswer>& answers, const AddressIndex& index, const ListOutput& output,
                     std::string& error) {
  auto write = [&](std::FILE* file) {
    ListWriter writer(file, output, list.encoding, list.width, withCode);
    for (std::size_t r = 0; r < list.rows.size(); ++r) {
      if (r < first)
        writer.Header(list.rows[r]);
      else if (r - first < answers.size())
        writer.Row(list.rows[r], index, answers[r - first]);
      else
        writer.Unresolved(list.rows[r]);
    }
    const bool ok = writer.Finish();
    error = writer.error();
    return ok;
  };
  return WriteUserFile(path, write, error);
}

}  // namespace tanzel
