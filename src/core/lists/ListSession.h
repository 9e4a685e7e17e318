#pragma once

// The steps of resolving a list, once for every front end: recognise how the list is laid
// out from its first rows, resolve a row as read (with a person's decision where there is
// one), and write the rows with the appended columns. The window holds the list whole; the
// command line streams it; both go through these functions, so that the same list gives
// the same file from either.

#include <array>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/lists/BatchResolve.h"
#include "core/lists/ListText.h"
#include "core/lists/Workbook.h"

namespace tanzel {

// At most this many rows of a list are looked at to recognise its layout.
inline constexpr std::size_t kLayoutSampleRows = 200;

// True when the first of `rows` (fields as read in `encoding`) names the columns
// (LooksLikeHeader; only the first two rows are read).
bool FirstRowNamesColumns(std::span<const std::vector<std::string>> rows, TextEncoding encoding);

// The columns of a list from its first rows (fields as read in `encoding`; the first one
// the column names when `header`): GuessColumns on them. Reads no more than the names and
// kLayoutSampleRows rows, so a whole list may be passed.
ListColumns RecogniseColumns(std::span<const std::vector<std::string>> rows, TextEncoding encoding, bool header);

// What `columns` chose, for a person (UTF-8): "address: 都道府県 (3) + 市区町村 (4); existing
// code: 郵便番号 (2)", each column by its name in `names` (Shift-JIS; may be null) and its
// 1-based number.
std::string DescribeColumns(const ListColumns& columns, const std::vector<std::string>* names);

// What a person decided for a row: an address of their own (Shift-JIS) to resolve instead of
// the row's, and a code they chose among the candidates.
struct RowDecision {
  std::optional<std::string> address;
  std::optional<uint32_t> postal;
};

// Resolves a row (fields as read in `encoding`) as `columns` say, weighing its existing code
// (ResolveRow), with the person's decision where there is one: a code chosen among the
// address's own candidates (even where the existing code decided otherwise; the agreement
// then says 不一致); a chosen code that is no longer among them is dropped.
RowAnswer ResolveFields(const AddressIndex& index, const std::vector<std::string>& fields, TextEncoding encoding,
                        const ListColumns& columns, const RowDecision* decision);

// How a resolved list is written: comma-separated text in `encoding`, or a workbook; and
// the words of the appended cells.
struct ListOutput {
  TextEncoding encoding = TextEncoding::Utf8;
  ListWords words = ListWords::Japanese;
  bool workbook = false;  // an .xlsx workbook (WorkbookWriter) instead of text
};

// Writes a resolved list to a stream, row by row: every field as read (in `from`, converted
// to the output's encoding, or to UTF-8 cells of a workbook), empty ones up to `width` where
// a row is shorter, then the appended cells (three, or four with a code column). Not
// thread-safe.
class ListWriter {
 public:
  ListWriter(std::FILE* file, const ListOutput& output, TextEncoding from, std::size_t width, bool withCode);
  ~ListWriter();
  ListWriter(const ListWriter&) = delete;
  ListWriter& operator=(const ListWriter&) = delete;

  // The header row: the list's names, and the appended columns' names (AppendedNames, none
  // the same as one of `fields`).
  bool Header(const std::vector<std::string>& fields);
  // A row and its answer.
  bool Row(const std::vector<std::string>& fields, const AddressIndex& index, const RowAnswer& answer);
  // A row that was not resolved: its fields and empty appended cells.
  bool Unresolved(const std::vector<std::string>& fields);
  // Writes what is left. Returns false when a write failed or a row could not be written.
  bool Finish();
  // Why a row could not be written (naming it by its 1-based number among the rows written),
  // or empty.
  const std::string& error() const { return error_; }

 private:
  bool Append(const std::vector<std::string>& fields, const std::array<std::string, kAppendedColumns>& cells);

  std::FILE* file_;
  ListOutput output_;
  TextEncoding from_;
  std::size_t width_;
  int appended_;
  std::size_t written_ = 0;
  std::string buffer_;
  std::unique_ptr<WorkbookWriter> workbook_;
  std::vector<std::string> cells_;
  std::string error_;
  bool failed_ = false;
};

}  // namespace tanzel
