#pragma once

// Excel workbooks (.xlsx) as lists: the cells of one worksheet read as text, and a list
// written as a workbook of one worksheet. Reading takes the archive library and an XML
// parser (libzip, expat); writing takes libxlsxwriter.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tanzel {

// True when `path` names a workbook (ends in .xlsx or .xlsm, any case).
bool IsWorkbookPath(std::string_view path);

// Reads the worksheet named `sheet` (the first when empty) of the workbook `bytes` into
// `rows`: a row for every row of the sheet up to its last (rows it leaves out are empty),
// each cell's text as the sheet gives it (shared and inline strings as written, furigana
// left out; numbers as stored; TRUE / FALSE), UTF-8; cells after a row's last are left
// off. Refuses, with `error` saying why and what to do: an encrypted workbook (or an old
// .xls file), a file that is no workbook, one without a worksheet (macros only), a sheet
// that is not there (naming those that are), and a sheet whose XML is larger than
// `maxSheetBytes`.
bool ReadWorkbook(std::string_view bytes, const std::string& sheet, std::size_t maxSheetBytes,
                  std::vector<std::vector<std::string>>& rows, std::string& error);

// The names of the worksheets of the workbook `bytes`, in order. Refuses, with `error`, what
// ReadWorkbook refuses before it reads a sheet.
bool WorkbookSheetNames(std::string_view bytes, std::vector<std::string>& names, std::string& error);

// Writes rows of cells (UTF-8) as the one worksheet of a new workbook to `file` (an open
// stream, written when finished; the workbook is made in an unnamed scratch file). A cell that reads as a plain decimal
// number (no leading zero) is written as a number, any other as text; empty cells are left out. Not thread-safe.
class WorkbookWriter {
 public:
  explicit WorkbookWriter(std::FILE* file);
  ~WorkbookWriter();
  WorkbookWriter(const WorkbookWriter&) = delete;
  WorkbookWriter& operator=(const WorkbookWriter&) = delete;

  // Appends a row. Returns false, with error() saying why, past the sheet's last row or
  // for a cell longer than a cell may be.
  bool Row(const std::vector<std::string>& cells);
  // Writes the workbook. Returns false, with error() saying why, when it cannot be written.
  bool Finish();
  const std::string& error() const { return error_; }

 private:
  struct State;
  std::unique_ptr<State> state_;
  std::string error_;
};

}  // namespace tanzel
