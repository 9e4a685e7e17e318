#include "core/data/EditionRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

namespace tanzel {

namespace {

bool IsDigits(std::string_view text) {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return !text.empty();
}

int Number(std::string_view digits) {
  int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool IsHex64(std::string_view text) {
  if (text.size() != 64) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

}  // namespace

std::optional<CalendarDate> ParseIsoDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  std::string_view y = text.substr(0, 4), m = text.substr(5, 2), d = text.substr(8, 2);
  if (!IsDigits(y) || !IsDigits(m) || !IsDigits(d)) return std::nullopt;
  CalendarDate date{Number(y), Number(m), Number(d)};
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (date.year < 1000 || date.month < 1 || date.month > 12 || date.day < 1) return std::nullopt;
  int days = kDays[date.month - 1] + (date.month == 2 && IsLeapYear(date.year) ? 1 : 0);
  if (date.day > days) return std::nullopt;
  return date;
}

std::string FormatEdition(const EditionRecord& record) {
  std::string text = record.date + "\n";
  for (const ArchiveSum& a : record.archives) text += a.sha256 + "  " + a.name + "\n";
  for (const ArchiveSum& a : record.archives)
    if (!a.date.empty()) text += a.date + "  " + a.name + "\n";
  return text;
}

std::optional<EditionRecord> ParseEdition(std::string_view text) {
  EditionRecord record;
  bool first = true;
  while (!text.empty()) {
    std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    if (first) {
      if (!ParseIsoDate(line)) return std::nullopt;
      record.date = line;
      first = false;
      continue;
    }
    if (line.size() > 12 && ParseIsoDate(line.substr(0, 10)) && line.substr(10, 2) == "  ") {
      auto named = std::find_if(record.archives.begin(), record.archives.end(),
                                [&](const ArchiveSum& a) { return a.name == line.substr(12) && a.date.empty(); });
      if (named == record.archives.end()) return std::nullopt;
      named->date = line.substr(0, 10);
      continue;
    }
    if (line.size() < 67 || !IsHex64(line.substr(0, 64)) || line.substr(64, 2) != "  ") return std::nullopt;
    record.archives.push_back({std::string(line.substr(0, 64)), std::string(line.substr(66)), {}});
  }
  if (first) return std::nullopt;
  return record;
}

std::optional<EditionRecord> ReadEdition(const std::string& edition) {
  std::string path = edition + (edition.empty() || edition.back() != '/' ? "/" : "") + kEditionFileName;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  // A record is a few lines; anything else in its place is no record.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 64 * 1024) {
    ::close(fd);
    return std::nullopt;
  }
  std::string text(static_cast<std::size_t>(st.st_size), '\0');
  ssize_t n = ::read(fd, text.data(), text.size());
  ::close(fd);
  if (n < 0) return std::nullopt;
  text.resize(static_cast<std::size_t>(n));
  return ParseEdition(text);
}

}  // namespace tanzel
