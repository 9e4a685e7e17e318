#include "core/lists/Workbook.h"

#include <expat.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

namespace tanzel {

namespace {

constexpr std::string_view kCompoundFile = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";  // OLE: encrypted or .xls
constexpr std::size_t kMaxRows = 1048576, kMaxColumns = 16384;
// Most strings of the workbook's own parts (its sheet list, their links) ever need.
constexpr std::size_t kMaxSmallPart = 16u << 20;

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ZipCloser>;

// An element's name without its namespace prefix.
std::string_view Local(const char* name) {
  std::string_view n(name);
  std::size_t colon = n.rfind(':');
  return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

const char* Attribute(const char** attributes, std::string_view local) {
  for (int i = 0; attributes[i]; i += 2)
    if (Local(attributes[i]) == local) return attributes[i + 1];
  return nullptr;
}

// Parses the part `name` of `archive` with expat, calling `start`, `end` and `text`.
// Returns false, with `error`, when it is missing (unless `optional`), larger than
// `maxBytes` or not XML.
struct XmlHandlers {
  std::function<void(std::string_view, const char**)> start;
  std::function<void(std::string_view)> end;
  std::function<void(const char*, int)> text;
};

bool ParsePart(zip_t* archive, const std::string& name, std::size_t maxBytes, bool optional,
               const XmlHandlers& handlers, std::string& error) {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(archive, name.c_str(), 0, &st) != 0) {
    if (optional) return true;
    error = "the workbook has no " + name;
    return false;
  }
  if ((st.valid & ZIP_STAT_SIZE) && st.size > maxBytes) {
    error = "the workbook's " + name + " is larger than a list may be (" + std::to_string(maxBytes >> 20) +
            " MiB of XML): save fewer rows, or use tanzel-search with the sheet saved as CSV";
    return false;
  }
  zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
  if (!file) {
    error = "the workbook's " + name + " cannot be read";
    return false;
  }
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, const_cast<XmlHandlers*>(&handlers));
  XML_SetElementHandler(
      parser,
      [](void* data, const char* el, const char** attributes) {
        static_cast<XmlHandlers*>(data)->start(Local(el), attributes);
      },
      [](void* data, const char* el) { static_cast<XmlHandlers*>(data)->end(Local(el)); });
  XML_SetCharacterDataHandler(
      parser, [](void* data, const char* s, int len) { static_cast<XmlHandlers*>(data)->text(s, len); });
  std::vector<char> buffer(1 << 16);
  std::size_t total = 0;
  bool ok = true;
  for (;;) {
    zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
    if (n < 0 || (total += static_cast<std::size_t>(std::max<zip_int64_t>(n, 0))) > maxBytes) {
      error = "the workbook's " + name + (n < 0 ? " cannot be read" : " is too large");
      ok = false;
      break;
    }
    if (XML_Parse(parser, buffer.data(), static_cast<int>(n), n == 0) == XML_STATUS_ERROR) {
      error = "the workbook's " + name + " is not XML (line " + std::to_string(XML_GetCurrentLineNumber(parser)) +
              ": " + XML_ErrorString(XML_GetErrorCode(parser)) + ")";
      ok = false;
      break;
    }
    if (n == 0) break;
  }
  XML_ParserFree(parser);
  zip_fclose(file);
  return ok;
}

// The worksheets of the workbook in order: their names and parts.
bool Sheets(zip_t* archive, std::vector<std::pair<std::string, std::string>>& sheets, std::string& error) {
  std::vector<std::pair<std::string, std::string>> named;  // name, relation id
  XmlHandlers workbook{[&](std::string_view el, const char** a) {
                         if (el != "sheet") return;
                         const char* name = Attribute(a, "name");
                         const char* id = Attribute(a, "id");
                         if (name && id) named.emplace_back(name, id);
                       },
                       [](std::string_view) {}, [](const char*, int) {}};
  if (!ParsePart(archive, "xl/workbook.xml", kMaxSmallPart, false, workbook, error)) return false;
  std::map<std::string, std::string> targets;
  XmlHandlers rels{[&](std::string_view el, const char** a) {
                     if (el != "Relationship") return;
                     const char* id = Attribute(a, "Id");
                     const char* target = Attribute(a, "Target");
                     const char* type = Attribute(a, "Type");
                     if (!id || !target || !type || !std::strstr(type, "/worksheet")) return;
                     std::string t = target;
                     targets[id] = t.front() == '/' ? t.substr(1) : "xl/" + t;
                   },
                   [](std::string_view) {}, [](const char*, int) {}};
  if (!ParsePart(archive, "xl/_rels/workbook.xml.rels", kMaxSmallPart, false, rels, error)) return false;
  for (const auto& [name, id] : named) {
    auto it = targets.find(id);
    if (it != targets.end()) sheets.emplace_back(name, it->second);
  }
  return true;
}

// The shared strings, furigana (rPh) left out.
bool SharedStrings(zip_t* archive, std::vector<std::string>& strings, std::size_t maxBytes, std::string& error) {
  bool inText = false;
  int phonetic = 0;
  XmlHandlers handlers{[&](std::string_view el, const char**) {
                         if (el == "si") strings.emplace_back();
                         if (el == "rPh") ++phonetic;
                         if (el == "t") inText = phonetic == 0 && !strings.empty();
                       },
                       [&](std::string_view el) {
                         if (el == "rPh") --phonetic;
                         if (el == "t") inText = false;
                       },
                       [&](const char* s, int len) {
                         if (inText) strings.back().append(s, static_cast<std::size_t>(len));
                       }};
  return ParsePart(archive, "xl/sharedStrings.xml", maxBytes, true, handlers, error);
}

// The 0-based column of a cell reference (B7: 1), or -1.
long ColumnOf(const char* reference) {
  long column = 0;
  int letters = 0;
  for (const char* p = reference; *p >= 'A' && *p <= 'Z'; ++p, ++letters) column = column * 26 + (*p - 'A' + 1);
  return letters == 0 || letters > 3 ? -1 : column - 1;
}

bool ReadSheet(zip_t* archive, const std::string& part, const std::vector<std::string>& strings, std::size_t maxBytes,
               std::vector<std::vector<std::string>>& rows, std::string& error) {
  std::size_t row = 0;  // 1-based number of the current row
  long column = -1;
  std::string type, value, inlineText;
  bool inValue = false, inInline = false, inText = false;
  int phonetic = 0;
  bool tooLarge = false;
  XmlHandlers handlers{
      [&](std::string_view el, const char** a) {
        if (el == "row") {
          const char* r = Attribute(a, "r");
          row = r ? std::strtoul(r, nullptr, 10) : row + 1;
          column = -1;
        } else if (el == "c") {
          const char* r = Attribute(a, "r");
          const char* t = Attribute(a, "t");
          column = r ? ColumnOf(r) : column + 1;
          type = t ? t : "n";
          value.clear();
          inlineText.clear();
        } else if (el == "v") {
          inValue = true;
        } else if (el == "is") {
          inInline = true;
        } else if (el == "rPh") {
          ++phonetic;
        } else if (el == "t") {
          inText = inInline && phonetic == 0;
        }
      },
      [&](std::string_view el) {
        if (el == "v") {
          inValue = false;
        } else if (el == "is") {
          inInline = false;
        } else if (el == "rPh") {
          --phonetic;
        } else if (el == "t") {
          inText = false;
        } else if (el == "c") {
          if (row == 0 || row > kMaxRows || column < 0 || static_cast<std::size_t>(column) >= kMaxColumns) {
            tooLarge = tooLarge || row > kMaxRows;
            return;
          }
          std::string text;
          if (type == "s") {
            std::size_t i = std::strtoul(value.c_str(), nullptr, 10);
            if (!value.empty() && i < strings.size()) text = strings[i];
          } else if (type == "inlineStr") {
            text = inlineText;
          } else if (type == "b") {
            text = value == "1" ? "TRUE" : "FALSE";
          } else {
            text = value;
          }
          if (text.empty()) return;
          if (rows.size() < row) rows.resize(row);
          std::vector<std::string>& cells = rows[row - 1];
          if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(static_cast<std::size_t>(column) + 1);
          cells[static_cast<std::size_t>(column)] = std::move(text);
        }
      },
      [&](const char* s, int len) {
        if (inValue) value.append(s, static_cast<std::size_t>(len));
        if (inText) inlineText.append(s, static_cast<std::size_t>(len));
      }};
  if (!ParsePart(archive, part, maxBytes, false, handlers, error)) return false;
  if (tooLarge) {
    error = "the sheet has more rows than a workbook can";
    return false;
  }
  return true;
}

}  // namespace

bool IsWorkbookPath(std::string_view path) {
  if (path.size() < 5) return false;
  std::string end(path.substr(path.size() - 5));
  for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return end == ".xlsx" || end == ".xlsm";
}

namespace {

// The archive of a workbook and its worksheets (name, part), or nothing with `error`.
Archive OpenWorkbook(std::string_view bytes, std::vector<std::pair<std::string, std::string>>& sheets,
                     std::string& error) {
  if (bytes.substr(0, kCompoundFile.size()) == kCompoundFile) {
    error =
        "the workbook is encrypted (protected by a password) or is an old .xls file: save it from the spreadsheet "
        "program as an .xlsx workbook without a password";
    return nullptr;
  }
  zip_error_t zerr;
  zip_error_init(&zerr);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &zerr);
  Archive archive(source ? zip_open_from_source(source, ZIP_RDONLY, &zerr) : nullptr);
  if (!archive) {
    if (source) zip_source_free(source);
    zip_error_fini(&zerr);
    error = "the file is not an .xlsx workbook";
    return nullptr;
  }
  zip_error_fini(&zerr);
  if (!Sheets(archive.get(), sheets, error)) return nullptr;
  if (sheets.empty()) {
    error = "the workbook has no worksheet (only macros or charts): save the list on a worksheet";
    return nullptr;
  }
  return archive;
}

}  // namespace

bool WorkbookSheetNames(std::string_view bytes, std::vector<std::string>& names, std::string& error) {
  std::vector<std::pair<std::string, std::string>> sheets;
  if (!OpenWorkbook(bytes, sheets, error)) return false;
  names.clear();
  for (const auto& s : sheets) names.push_back(s.first);
  return true;
}

bool ReadWorkbook(std::string_view bytes, const std::string& sheet, std::size_t maxSheetBytes,
                  std::vector<std::vector<std::string>>& rows, std::string& error) {
  rows.clear();
  std::vector<std::pair<std::string, std::string>> sheets;
  Archive archive = OpenWorkbook(bytes, sheets, error);
  if (!archive) return false;
  auto chosen = sheets.begin();
  if (!sheet.empty()) {
    chosen = std::find_if(sheets.begin(), sheets.end(), [&](const auto& s) { return s.first == sheet; });
    if (chosen == sheets.end()) {
      error = "the workbook has no sheet " + sheet + " (it has";
      for (const auto& s : sheets) error += " " + s.first;
      error += ")";
      return false;
    }
  }
  std::vector<std::string> strings;
  return SharedStrings(archive.get(), strings, maxSheetBytes, error) &&
         ReadSheet(archive.get(), chosen->second, strings, maxSheetBytes, rows, error);
}

struct WorkbookWriter::State {
  std::FILE* out = nullptr;
  std::FILE* scratch = nullptr;  // an unnamed file the library writes the workbook into
  lxw_workbook* workbook = nullptr;
  lxw_worksheet* sheet = nullptr;
  lxw_row_t row = 0;
  ~State() {
    if (scratch) std::fclose(scratch);
  }
};

namespace {

bool PlainNumber(const std::string& s) {
  std::size_t i = s[0] == '-' ? 1 : 0;
  std::size_t digits = 0, dot = std::string::npos;
  for (std::size_t j = i; j < s.size(); ++j) {
    if (s[j] == '.' && dot == std::string::npos && j > i) {
      dot = j;
    } else if (s[j] >= '0' && s[j] <= '9') {
      ++digits;
    } else {
      return false;
    }
  }
  if (digits == 0 || digits > 15 || dot == s.size() - 1) return false;
  return !(s[i] == '0' && s.size() > i + 1 && s[i + 1] != '.');
}

}  // namespace

WorkbookWriter::WorkbookWriter(std::FILE* file) : state_(std::make_unique<State>()) {
  // The library writes a file by its name: an unnamed scratch file (gone when closed, never
  // seen in a folder), copied into `file` when finished, so that the caller's file is
  // written as any other output is.
  state_->out = file;
  state_->scratch = std::tmpfile();
  if (state_->scratch) {
    const std::string path = "/proc/self/fd/" + std::to_string(fileno(state_->scratch));
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    state_->workbook = workbook_new_opt(path.c_str(), &options);
    if (state_->workbook) state_->sheet = workbook_add_worksheet(state_->workbook, nullptr);
  }
  if (!state_->sheet) error_ = "a workbook cannot be made";
}

WorkbookWriter::~WorkbookWriter() {
  if (state_->workbook) {
    // Not finished: nothing the caller keeps; the library's own files go with it.
    workbook_close(state_->workbook);
  }
}

bool WorkbookWriter::Row(const std::vector<std::string>& cells) {
  if (!state_->sheet) return false;
  if (state_->row >= kMaxRows) {
    error_ = "more rows than a workbook can hold (" + std::to_string(kMaxRows) + ")";
    return false;
  }
  for (std::size_t c = 0; c < cells.size() && c < kMaxColumns; ++c) {
    const std::string& cell = cells[c];
    if (cell.empty()) continue;
    const auto column = static_cast<lxw_col_t>(c);
    lxw_error result = PlainNumber(cell)
                           ? worksheet_write_number(state_->sheet, state_->row, column, std::stod(cell), nullptr)
                           : worksheet_write_string(state_->sheet, state_->row, column, cell.c_str(), nullptr);
    if (result != LXW_NO_ERROR) {
      error_ = "row " + std::to_string(state_->row + 1) + ": " + lxw_strerror(result);
      return false;
    }
  }
  ++state_->row;
  return true;
}

bool WorkbookWriter::Finish() {
  if (!state_->workbook) return false;
  lxw_error result = workbook_close(state_->workbook);
  state_->workbook = nullptr;
  state_->sheet = nullptr;
  if (result != LXW_NO_ERROR) {
    error_ = std::string("the workbook cannot be written: ") + lxw_strerror(result);
    return false;
  }
  // The library wrote through a stream of its own: the scratch file's stream reads from
  // the start of what it wrote.
  std::rewind(state_->scratch);
  std::vector<char> buffer(1 << 16);
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), state_->scratch)) > 0;) {
    if (std::fwrite(buffer.data(), 1, n, state_->out) != n) {
      error_ = "the workbook cannot be written";
      return false;
    }
  }
  if (std::ferror(state_->scratch)) error_ = "the workbook cannot be written";
  return error_.empty();
}

}  // namespace tanzel
