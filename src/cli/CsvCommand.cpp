#include "cli/CsvCommand.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/lists/AddressList.h"
#include "core/lists/BatchResolve.h"
#include "core/lists/Csv.h"
#include "core/lists/ListFile.h"
#include "core/lists/ListSession.h"
#include "core/lists/ListText.h"
#include "core/lists/UserFile.h"
#include "core/lists/Workbook.h"
#include "core/resolve/AddressIndex.h"

namespace tanzel {

namespace {

constexpr const char* kUsage =
    "usage: tanzel-search [--data DIR] --resolve --list FILE [--column N|NAME]... [--code-column N|NAME]\n"
    "                     [--header|--no-header] [--out FILE] [--encoding utf-8|utf-8-bom|cp932]\n"
    "                     [--words ja|en] [--sheet NAME]\n"
    "Resolves the address of every row of a list, CSV or TSV (.csv, .tsv, .txt; UTF-8 or\n"
    "Shift-JIS) or an Excel workbook (.xlsx: the first sheet, or --sheet NAME), and writes the\n"
    "list (--csv is the same as --list) as CSV, or as a workbook when --out ends in .xlsx (the\n"
    "original cells as values), with columns appended: 郵便番号（検索結果） the\n"
    "postal code, 確度 how sure it is (確実, 要確認, 複数候補, 該当なし), 該当住所 the record it\n"
    "matched, and, where the list has a code column, 既存番号との照合 whether the row's code\n"
    "agrees (一致, 候補にあり, 不一致); a name the list already has gets （検索結果） after it.\n"
    "--words en writes sure, not-sure, ambiguous, not-found and agrees, among, differs instead.\n"
    "The row's existing code decides an address that fits several places when it is one of\n"
    "them, and stands for a building, floor or office of the town the address resolved to.\n"
    "Without --column and --code-column the columns are recognised by their names in the first\n"
    "row (都道府県, 市区町村, 番地, 建物名, 住所, 郵便番号 ...) or by their contents, address\n"
    "parts joined in address order; what was chosen is reported on standard error.\n"
    "Exit status: 0 every row sure, 1 a row not sure, 2 wrong command line or unreadable list,\n"
    "3 a data file missing, 4 the output could not be written.\n";

// A list larger than this is refused (it is mapped, not read into memory).
constexpr std::size_t kMaxListBytes = std::size_t{2} << 30;

struct CsvArgs {
  std::string folder;
  std::string input;
  std::string output;
  std::vector<std::string> columns;
  std::string codeColumn;
  std::string sheet;
  int header = -1;  // -1 guess, 0 no, 1 yes
  std::optional<TextEncoding> encoding;
  ListWords words = ListWords::Japanese;
};

bool Usage(std::FILE* err, const std::string& why) {
  std::fprintf(err, "tanzel-search: %s\n%s", why.c_str(), kUsage);
  return false;
}

bool ParseCsvArgs(int argc, const char* const argv[], CsvArgs& args, std::FILE* err) {
  bool resolve = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takesValue = arg == "--data" || arg == "--csv" || arg == "--list" || arg == "--column" ||
                            arg == "--code-column" || arg == "--out" || arg == "--encoding" || arg == "--words" ||
                            arg == "--sheet";
    if (takesValue && i + 1 >= argc) return Usage(err, arg + " needs a value");
    const std::string value = takesValue ? argv[++i] : "";
    if (arg == "--resolve") {
      resolve = true;
    } else if (arg == "--header" || arg == "--no-header") {
      args.header = arg == "--header";
    } else if (arg == "--data") {
      args.folder = value;
    } else if (arg == "--csv" || arg == "--list") {
      args.input = value;
    } else if (arg == "--sheet") {
      args.sheet = value;
    } else if (arg == "--words") {
      if (value != "ja" && value != "en") return Usage(err, "--words is ja or en, not " + value);
      args.words = value == "en" ? ListWords::English : ListWords::Japanese;
    } else if (arg == "--column") {
      args.columns.push_back(value);
    } else if (arg == "--code-column") {
      args.codeColumn = value;
    } else if (arg == "--out") {
      args.output = value;
    } else if (arg == "--encoding") {
      if (value == "utf-8")
        args.encoding = TextEncoding::Utf8;
      else if (value == "utf-8-bom")
        args.encoding = TextEncoding::Utf8Bom;
      else if (value == "cp932")
        args.encoding = TextEncoding::Cp932;
      else
        return Usage(err, "unknown encoding " + value);
    } else {
      return Usage(err, "unexpected " + arg + " with --list");
    }
  }
  if (!resolve) return Usage(err, "--list goes with --resolve");
  if (args.input.empty()) return Usage(err, "--list needs a file");
  return true;
}

// The rows of the input, read as often as needed: a text list streamed from its mapped file
// (read once whole before anything is written: its width and that it reads to the end), or
// a workbook's sheet held whole.
class InputRows {
 public:
  bool Open(const CsvArgs& args, std::string& error) {
    if (IsWorkbookPath(args.input)) {
      std::atomic<bool> never{false};
      held_ = ReadListFile(args.input, args.sheet, never, error);
      if (!held_) return false;
      encoding_ = held_->encoding;
      width_ = held_->width;
      return true;
    }
    if (!args.sheet.empty()) {
      error = "--sheet goes with a workbook (.xlsx)";
      return false;
    }
    if (!file_.Open(args.input, kMaxListBytes, error)) return false;
    std::optional<ListFormat> format = InspectList(file_.bytes(), error);
    if (!format) {
      error = args.input + ": " + error;
      return false;
    }
    format_ = *format;
    encoding_ = format_.encoding;
    Rewind();
    std::vector<std::string> fields;
    while (Next(fields)) width_ = std::max(width_, fields.size());
    error = reader_->error();
    if (!error.empty()) error = args.input + ": " + error;
    return error.empty();
  }
  void Rewind() {
    next_ = 0;
    if (!held_) reader_.emplace(format_.body, format_.delimiter);
  }
  bool Next(std::vector<std::string>& fields) {
    if (!held_) return reader_->Next(fields);
    if (next_ >= held_->rows.size()) return false;
    fields = held_->rows[next_++];
    return true;
  }
  TextEncoding encoding() const { return encoding_; }
  std::size_t width() const { return width_; }

 private:
  MappedList file_;
  ListFormat format_;
  std::optional<CsvReader> reader_;
  std::optional<AddressList> held_;
  std::size_t next_ = 0;
  TextEncoding encoding_ = TextEncoding::Utf8;
  std::size_t width_ = 0;
};

// The first rows of a list, enough to recognise its layout.
std::vector<std::vector<std::string>> FirstRows(InputRows& input) {
  input.Rewind();
  std::vector<std::string> fields;
  std::vector<std::vector<std::string>> rows;
  while (rows.size() <= kLayoutSampleRows && input.Next(fields)) rows.push_back(fields);
  return rows;
}

// The columns the arguments name, or the recognised ones; prints why and returns false when
// a name fits no column or nothing looks like an address.
bool PickColumns(const CsvArgs& args, const std::vector<std::vector<std::string>>& rows, TextEncoding encoding,
                 bool header, std::size_t width, ListColumns& columns, std::FILE* err) {
  const std::vector<std::string> names =
      header && !rows.empty() ? FieldsToSjis(rows[0], encoding) : std::vector<std::string>();
  const std::vector<std::string>* headerRow = header ? &names : nullptr;
  columns = RecogniseColumns(rows, encoding, header);
  if (!args.columns.empty()) columns.address.clear();
  for (const std::string& given : args.columns) {
    int c = ColumnOf(given, headerRow, width);
    if (c < 0) return Usage(err, "no column " + given);
    columns.address.push_back(c);
  }
  if (!args.codeColumn.empty()) {
    columns.code = ColumnOf(args.codeColumn, headerRow, width);
    if (columns.code < 0) return Usage(err, "no column " + args.codeColumn);
  }
  if (columns.address.empty()) return Usage(err, "no column looks like an address: name it with --column");
  std::fprintf(err, "tanzel-search: %s; %s\n", header ? "the first row names the columns" : "no header row",
               DescribeColumns(columns, headerRow).c_str());
  return true;
}

// Writes the resolved list to `file`; `allSure` tells whether every row was sure.
bool WriteList(const AddressIndex& index, InputRows& input, bool header, const ListColumns& columns,
               const ListOutput& output, std::FILE* file, bool& allSure, std::string& error) {
  input.Rewind();
  std::vector<std::string> fields;
  ListWriter writer(file, output, input.encoding(), input.width(), columns.code >= 0);
  allSure = true;
  bool first = true;
  while (input.Next(fields)) {
    if (first && header) {
      writer.Header(fields);
    } else {
      RowAnswer row = ResolveFields(index, fields, input.encoding(), columns, nullptr);
      allSure = allSure && row.answer.certainty == Certainty::Sure;
      if (!writer.Row(fields, index, row)) break;
    }
    first = false;
  }
  const bool ok = writer.Finish();
  error = writer.error();
  return ok;
}

}  // namespace

bool WantsCsvList(int argc, const char* const argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    if (std::strcmp(argv[i], "--csv") == 0 || std::strcmp(argv[i], "--list") == 0) return true;
  }
  return false;
}

int ResolveCsvCommand(int argc, const char* const argv[], const std::shared_ptr<const DataSet>& inUse, std::FILE* out,
                      std::FILE* err) {
  CsvArgs args;
  if (!ParseCsvArgs(argc, argv, args, err)) return 2;
  if (!args.output.empty() && (args.output == args.input || SameFile(args.output, args.input))) {
    Usage(err, "--out names the input file; the input is never overwritten");
    return 2;
  }
  std::string error;
  InputRows input;
  if (!input.Open(args, error)) {
    std::fprintf(err, "tanzel-search: %s; nothing written\n", error.c_str());
    return 2;
  }
  const std::vector<std::vector<std::string>> first = FirstRows(input);
  const bool header = args.header >= 0 ? args.header == 1 : FirstRowNamesColumns(first, input.encoding());
  ListColumns columns;
  if (!PickColumns(args, first, input.encoding(), header, input.width(), columns, err)) return 2;

  std::shared_ptr<const DataSet> data = args.folder.empty() ? inUse : DataSet::Open(args.folder);
  std::shared_ptr<const AddressIndex> index = data->Index(error);
  if (!index) {
    std::fprintf(err, "tanzel-search: %s%s cannot be read\n", data->EditionFolder().c_str(), error.c_str());
    return 3;
  }
  // A workbook's cells written as CSV: UTF-8 with its mark, as a spreadsheet opens it.
  const TextEncoding to = IsWorkbookPath(args.input) ? TextEncoding::Utf8Bom : input.encoding();
  const ListOutput output{args.encoding.value_or(to), args.words, IsWorkbookPath(args.output)};
  bool allSure = true;
  error.clear();
  auto write = [&](std::FILE* f) { return WriteList(*index, input, header, columns, output, f, allSure, error); };
  bool written = args.output.empty() ? write(out) && std::fflush(out) == 0 && !std::ferror(out)
                                     : WriteUserFile(args.output, write, error);
  if (!written) {
    std::fprintf(err, "tanzel-search: the output could not be written%s%s\n", error.empty() ? "" : ": ", error.c_str());
    return 4;
  }
  return allSure ? 0 : 1;
}

}  // namespace tanzel
