#pragma once

// Comma- and tab-separated text as spreadsheets write it (RFC 4180): fields in double quotes
// may hold the delimiter, quotes (doubled) and line breaks; records end in CRLF, LF or a CR
// alone (as old exports write them). The reader works on bytes, so it reads UTF-8 and
// Shift-JIS alike (no Shift-JIS trail byte is a quote, a delimiter or a line break).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tanzel {

// A record longer than this (its bytes in the file) is refused: a list of addresses has no
// such row, and a file that is not a list must not make the reader hold it all as one field.
inline constexpr std::size_t kMaxCsvRecordBytes = 4u << 20;

// Reads records one by one from `bytes` (the text without its byte order mark), which must
// outlive the reader. Not thread-safe; one reader per text.
class CsvReader {
 public:
  CsvReader(std::string_view bytes, char delimiter) : bytes_(bytes), delimiter_(delimiter) {}

  // Reads the next record into `fields` (its strings reused). Returns false at the end of
  // the text, and on an error, which error() then describes (empty at a plain end). A record
  // may have any number of fields; an empty line is a record of one empty field, except a
  // last line break, which ends the text.
  bool Next(std::vector<std::string>& fields);

  // The 1-based line on which the record last read starts.
  std::size_t line() const { return recordLine_; }
  // Bytes read so far (for progress).
  std::size_t offset() const { return pos_; }
  // Why reading stopped, naming the line; empty when it did not fail.
  const std::string& error() const { return error_; }

 private:
  bool TooLong();  // the error of a row over kMaxCsvRecordBytes; false
  std::string_view bytes_;
  char delimiter_;
  std::size_t pos_ = 0;
  std::size_t lineNo_ = 1;
  std::size_t recordLine_ = 0;
  std::string error_;
};

// The delimiter of a text: a tab when its first record holds more tabs than commas (outside
// quotes), else a comma.
char DetectDelimiter(std::string_view bytes);

// Appends `field` to `out` as one field of a record written with `delimiter`: as is, or in
// double quotes (quotes doubled) when it holds the delimiter, a quote, CR or LF, or starts
// or ends with a space.
void AppendCsvField(std::string& out, std::string_view field, char delimiter);

// Appends a record: the fields written by AppendCsvField, separated by `delimiter`, and CRLF.
void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields, char delimiter);

}  // namespace tanzel
