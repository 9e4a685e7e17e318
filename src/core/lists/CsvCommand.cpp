#include "core/lists/CsvCommand.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/lists/BatchResolve.h"
#include "core/lists/Csv.h"
#include "core/lists/ListFile.h"
#include "core/lists/ListText.h"
#include "core/resolve/AddressIndex.h"

namespace tanzel {

namespace {

constexpr const char* kUsage =
    "usage: tanzel-search [--data DIR] --resolve --csv FILE [--column N|NAME]... [--code-column N|NAME]\n"
    "                     [--header|--no-header] [--out FILE] [--encoding utf-8|utf-8-bom|cp932]\n"
    "Resolves the address of every row of a CSV or TSV list (UTF-8 or Shift-JIS) and writes the\n"
    "list as CSV with four columns appended: the postal code, how sure it is (sure, not-sure,\n"
    "ambiguous, not-found), the record it matched, and whether the row's existing code agrees.\n"
    "--column names the address column (several are joined in order); without it, and without\n"
    "--code-column, the columns are guessed from the names in the first row or from the rows.\n"
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
  int header = -1;  // -1 guess, 0 no, 1 yes
  std::optional<TextEncoding> encoding;
};

bool Usage(std::FILE* err, const std::string& why) {
  std::fprintf(err, "tanzel-search: %s\n%s", why.c_str(), kUsage);
  return false;
}

bool ParseCsvArgs(int argc, const char* const argv[], CsvArgs& args, std::FILE* err) {
  bool resolve = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takesValue = arg == "--data" || arg == "--csv" || arg == "--column" || arg == "--code-column" ||
                            arg == "--out" || arg == "--encoding";
    if (takesValue && i + 1 >= argc) return Usage(err, arg + " needs a value");
    const std::string value = takesValue ? argv[++i] : "";
    if (arg == "--resolve") {
      resolve = true;
    } else if (arg == "--header" || arg == "--no-header") {
      args.header = arg == "--header";
    } else if (arg == "--data") {
      args.folder = value;
    } else if (arg == "--csv") {
      args.input = value;
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
      return Usage(err, "unexpected " + arg + " with --csv");
    }
  }
  if (!resolve) return Usage(err, "--csv goes with --resolve");
  if (args.input.empty()) return Usage(err, "--csv needs a file");
  return true;
}

// The whole list read once before anything is written: its width and that it reads to the end.
bool CheckList(const ListFormat& format, std::size_t& width, std::size_t& rows, std::string& error) {
  CsvReader reader(format.body, format.delimiter);
  std::vector<std::string> fields;
  width = rows = 0;
  while (reader.Next(fields)) {
    width = std::max(width, fields.size());
    ++rows;
  }
  error = reader.error();
  return error.empty();
}

std::vector<std::string> ToSjis(const std::vector<std::string>& fields, TextEncoding encoding) {
  std::vector<std::string> out;
  for (const std::string& f : fields) out.push_back(FieldToSjis(f, encoding));
  return out;
}

// The columns the arguments name, or the guessed ones; prints why and returns false when a
// name fits no column or nothing looks like an address.
bool PickColumns(const CsvArgs& args, const ListFormat& format, bool header, std::size_t width, ListColumns& columns,
                 std::FILE* err) {
  CsvReader reader(format.body, format.delimiter);
  std::vector<std::string> fields;
  std::vector<std::vector<std::string>> sample;
  std::optional<std::vector<std::string>> names;
  while (sample.size() < 200 && reader.Next(fields)) {
    if (header && !names)
      names = ToSjis(fields, format.encoding);
    else
      sample.push_back(ToSjis(fields, format.encoding));
  }
  const std::vector<std::string>* headerRow = names ? &*names : nullptr;
  columns = GuessColumns(headerRow, sample);
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
  return true;
}

bool FirstRowIsHeader(const ListFormat& format) {
  CsvReader reader(format.body, format.delimiter);
  std::vector<std::string> first, second;
  if (!reader.Next(first)) return false;
  bool more = reader.Next(second);
  const std::vector<std::string> a = ToSjis(first, format.encoding), b = ToSjis(second, format.encoding);
  return LooksLikeHeader(a, more ? &b : nullptr);
}

// Writes the resolved list to `file`; `allSure` tells whether every row was sure.
bool WriteList(const AddressIndex& index, const ListFormat& format, bool header, std::size_t width,
               const ListColumns& columns, TextEncoding to, std::FILE* file, bool& allSure, std::string& error) {
  CsvReader reader(format.body, format.delimiter);
  std::vector<std::string> fields;
  std::string out;
  if (to == TextEncoding::Utf8Bom) out.append(kUtf8Bom);
  const int appended = columns.code >= 0 ? kAppendedColumns : kAppendedColumns - 1;
  std::vector<std::string> sjis;
  std::vector<int> all(columns.address);
  if (columns.code >= 0) all.push_back(columns.code);
  allSure = true;
  bool first = true;
  while (reader.Next(fields)) {
    std::array<std::string, kAppendedColumns> cells;
    if (first && header) {
      cells = AppendedNames();
    } else {
      sjis.assign(width, std::string());
      for (int c : all)
        if (static_cast<std::size_t>(c) < fields.size()) sjis[c] = FieldToSjis(fields[c], format.encoding);
      RowAnswer row = ResolveRow(index, JoinAddress(sjis, columns.address),
                                 columns.code >= 0 ? std::string_view(sjis[columns.code]) : std::string_view());
      allSure = allSure && row.answer.certainty == Certainty::Sure;
      cells = AppendedCells(index, row);
    }
    first = false;
    if (!AppendListRow(out, fields, width, format.encoding, to, cells, appended)) {
      error = "line " + std::to_string(reader.line()) + " holds a character Shift-JIS cannot represent";
      return false;
    }
    if (out.size() >= (1u << 16)) {
      if (std::fwrite(out.data(), 1, out.size(), file) != out.size()) return false;
      out.clear();
    }
  }
  return std::fwrite(out.data(), 1, out.size(), file) == out.size();
}

}  // namespace

bool WantsCsvList(int argc, const char* const argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    if (std::strcmp(argv[i], "--csv") == 0) return true;
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
  MappedList file;
  std::optional<ListFormat> format;
  if (file.Open(args.input, kMaxListBytes, error)) format = InspectList(file.bytes(), error);
  std::size_t width = 0, rows = 0;
  if (!format || !CheckList(*format, width, rows, error)) {
    std::fprintf(err, "tanzel-search: %s%s%s; nothing written\n", format ? args.input.c_str() : "", format ? ": " : "",
                 error.c_str());
    return 2;
  }
  const bool header = args.header >= 0 ? args.header == 1 : FirstRowIsHeader(*format);
  ListColumns columns;
  if (!PickColumns(args, *format, header, width, columns, err)) return 2;

  std::shared_ptr<const DataSet> data = args.folder.empty() ? inUse : DataSet::Open(args.folder);
  std::shared_ptr<const AddressIndex> index = data->Index(error);
  if (!index) {
    std::fprintf(err, "tanzel-search: %s%s cannot be read\n", data->EditionFolder().c_str(), error.c_str());
    return 3;
  }
  const TextEncoding to = args.encoding.value_or(format->encoding);
  bool allSure = true;
  error.clear();
  auto write = [&](std::FILE* f) { return WriteList(*index, *format, header, width, columns, to, f, allSure, error); };
  bool written = args.output.empty() ? write(out) && std::fflush(out) == 0 && !std::ferror(out)
                                     : WriteFileAtomically(args.output, write, error);
  if (!written) {
    std::fprintf(err, "tanzel-search: the output could not be written%s%s\n", error.empty() ? "" : ": ", error.c_str());
    return 4;
  }
  return allSure ? 0 : 1;
}

}  // namespace tanzel
