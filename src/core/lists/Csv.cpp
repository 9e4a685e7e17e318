#include "core/lists/Csv.h"

#include <algorithm>

#include "core/text/TextEncoding.h"

namespace tanzel {

bool CsvReader::Next(std::vector<std::string>& fields) {
  std::size_t count = 0;
  auto field = [&]() -> std::string& {
    if (count == fields.size()) fields.emplace_back();
    std::string& f = fields[count++];
    f.clear();
    return f;
  };
  const std::size_t n = bytes_.size();
  if (!error_.empty() || pos_ >= n) return false;
  recordLine_ = lineNo_;
  const std::size_t start = pos_;
  std::string* current = &field();
  for (;;) {
    // Before the end of the text too: a last line without its line break has the same limit.
    if (pos_ - start > kMaxCsvRecordBytes) return TooLong();
    if (pos_ >= n) break;
    char c = bytes_[pos_];
    if (c == '"' && current->empty()) {
      const std::size_t quoteLine = lineNo_;
      ++pos_;
      for (;;) {
        std::size_t q = bytes_.find('"', pos_);
        if (q == std::string_view::npos) {
          error_ = "line " + std::to_string(quoteLine) + ": a quoted field that starts there is never closed";
          return false;
        }
        if (q - start > kMaxCsvRecordBytes) return TooLong();
        std::string_view part = bytes_.substr(pos_, q - pos_);
        lineNo_ += CountLineEnds(part);
        current->append(part);
        pos_ = q + 1;
        if (pos_ < n && bytes_[pos_] == '"') {
          current->push_back('"');
          ++pos_;
          continue;
        }
        break;
      }
      continue;  // anything up to the delimiter is kept as written
    }
    if (c == delimiter_) {
      current = &field();
      ++pos_;
      continue;
    }
    if (c == '\n' || c == '\r') {  // CRLF, LF or CR alone
      pos_ += c == '\r' && pos_ + 1 < n && bytes_[pos_ + 1] == '\n' ? 2 : 1;
      ++lineNo_;
      break;
    }
    // A run of plain bytes at once (no further than the longest record allows).
    const std::size_t stop = std::min(n, start + kMaxCsvRecordBytes + 1);
    std::size_t end = pos_ + 1;
    while (end < stop && bytes_[end] != delimiter_ && bytes_[end] != '\n' && bytes_[end] != '\r' && bytes_[end] != '"')
      ++end;
    current->append(bytes_.substr(pos_, end - pos_));
    pos_ = end;
  }
  fields.resize(count);
  return true;
}

bool CsvReader::TooLong() {
  error_ = "line " + std::to_string(recordLine_) + ": a row longer than " + std::to_string(kMaxCsvRecordBytes >> 20) +
           " MiB, the most a row may hold";
  return false;
}

char DetectDelimiter(std::string_view bytes) {
  std::size_t commas = 0, tabs = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < bytes.size() && i < (1u << 20); ++i) {
    char c = bytes[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') break;
    commas += c == ',';
    tabs += c == '\t';
  }
  return tabs > commas ? '\t' : ',';
}

void AppendCsvField(std::string& out, std::string_view field, char delimiter) {
  bool quote = !field.empty() && (field.front() == ' ' || field.back() == ' ');
  for (char c : field) quote = quote || c == delimiter || c == '"' || c == '\r' || c == '\n';
  if (!quote) {
    out.append(field);
    return;
  }
  out.push_back('"');
  for (char c : field) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields, char delimiter) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out.push_back(delimiter);
    AppendCsvField(out, fields[i], delimiter);
  }
  out += "\r\n";
}

}  // namespace tanzel
