#pragma once

// A list of addresses held whole, for a window that shows, resolves and saves it: its rows
// as the file spells them, and what each was resolved to.

#include <array>
#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/lists/BatchResolve.h"
#include "core/lists/ListSession.h"
#include "core/lists/ListText.h"

namespace tanzel {

struct AddressList {
  TextEncoding encoding = TextEncoding::Utf8;
  char delimiter = ',';
  std::vector<std::vector<std::string>> rows;  // every record, the first too (fields as read)
  std::size_t width = 0;                       // the most fields of a row

  // Field `column` of row `row` in Shift-JIS; empty where the row has no such field.
  std::string SjisField(std::size_t row, int column) const;
};

// The largest list the window holds whole, and the largest workbook read (the command line
// streams a text list of any size, but holds a workbook whole too).
inline constexpr std::size_t kMaxHeldListBytes = std::size_t{32} << 20;
// The largest worksheet XML of such a workbook.
inline constexpr std::size_t kMaxSheetXmlBytes = std::size_t{256} << 20;

// Reads every record of `bytes` (a whole file, or cells pasted as text). Returns nothing,
// with `error` saying why and naming the line, for text that cannot be read as a list (see
// InspectList, CsvReader), or when `cancel` becomes true.
std::optional<AddressList> ReadAddressList(std::string_view bytes, const std::atomic<bool>& cancel, std::string& error);

// Reads the list in the file `path`: a workbook's sheet `sheet` (the first when empty; see
// ReadWorkbook) when the name ends in .xlsx or .xlsm, else text (ReadAddressList). Refuses,
// with `error` saying why, a file larger than kMaxHeldListBytes.
std::optional<AddressList> ReadListFile(const std::string& path, const std::string& sheet,
                                        const std::atomic<bool>& cancel, std::string& error);

// Resolves row `row` of `list` as `columns` say, with the person's decision where there is
// one (a chosen code that is no longer among the candidates is dropped).
RowAnswer ResolveListRow(const AddressIndex& index, const AddressList& list, std::size_t row,
                         const ListColumns& columns, const RowDecision* decision);

// Writes the list as `output` says through a ListWriter (new columns appended to every row
// from `first`; a header row before it gets the columns' names), into a temporary file
// renamed to `path`. `answers[i]` is the answer of row `first + i`. Returns false, with
// `error` saying why, when a field has no form in the output's encoding or the file cannot
// be written; `path` is then left as it was.
bool SaveAddressList(const std::string& path, const AddressList& list, std::size_t first, bool withCode,
                     const std::vector<RowAnswer>& answers, const AddressIndex& index, const ListOutput& output,
                     std::string& error);

}  // namespace tanzel
