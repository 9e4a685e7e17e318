#include "core/update/DataChanges.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <tuple>

#include "core/data/DataFolders.h"
#include "core/data/DataSet.h"
#include "core/data/EditionRecord.h"
#include "core/data/Editions.h"
#include "core/text/Normalize.h"
#include "core/text/SjisText.h"

namespace tanzel {

namespace {

// clang-format off
inline constexpr char kWideSpace[] = "\x81@";  // 　
inline constexpr char kOpen[] = "\x81i";  // （
inline constexpr char kClose[] = "\x81j";  // ）
// clang-format on

// One record as the comparison sees it.
struct Entry {
  std::string code;
  std::string key;      // every compared field, TAB-separated (Shift-JIS holds no TAB byte)
  std::string shown;    // the record as the change list shows it
  std::string reading;  // its readings
};

bool operator<(const Entry& a, const Entry& b) {
  return std::tie(a.code, a.key) < std::tie(b.code, b.key);
}

Entry KenEntry(const KenRecord& r) {
  std::string shown = std::string(r.PrefKanji) + r.CityKanji + r.TownKanji;
  std::string reading = std::string(r.PrefKana) + kWideSpace + r.CityKana + kWideSpace + r.TownKana;
  return {r.PostalCode, std::to_string(r.LocalGovCode) + '\t' + shown + '\t' + reading, shown, reading};
}

Entry JigEntry(const JigRecord& r) {
  std::string address = std::string(r.PrefKanji) + r.CityKanji + r.TownKanji + r.BlockKanji;
  std::string shown = std::string(r.OfficeKanji) + kWideSpace + address;
  return {r.PostalCode, std::to_string(r.LocalGovCode) + '\t' + r.OfficeKanji + '\t' + address + '\t' + r.OfficeKana,
          shown, r.OfficeKana};
}

// Every record of one kind in the edition folder `edition` (with its '/'), sorted by code
// and content.
bool ReadEntries(const std::string& edition, DataKind kind, std::vector<Entry>& entries, std::string& error) {
  LineBuffer line;
  KenRecord ken;
  JigRecord jig;
  for (int p = 1; p <= PrefectureCount; ++p) {
    std::string path = edition + DataFileBaseName(kind, p);
    LineReader reader;
    if (!reader.Open(path.c_str())) {
      error = path + ": cannot open";
      return false;
    }
    while (reader.ReadLine(line) >= 0) {
      if (kind == DataKind::Ken) {
        SplitKen(line, ken);
        entries.push_back(KenEntry(ken));
      } else {
        SplitJig(line, jig);
        entries.push_back(JigEntry(jig));
      }
    }
  }
  std::sort(entries.begin(), entries.end());
  return true;
}

using EntryIt = std::vector<Entry>::const_iterator;

// The records of [first, last) that [otherFirst, otherLast) lacks (as multisets).
std::vector<Entry> Only(EntryIt first, EntryIt last, EntryIt otherFirst, EntryIt otherLast) {
  std::vector<Entry> out;
  std::set_difference(first, last, otherFirst, otherLast, std::back_inserter(out));
  return out;
}

std::string Join(const std::vector<Entry>& entries, bool withReading) {
  std::string text;
  for (const Entry& e : entries) {
    if (!text.empty()) text += " / ";
    text += e.shown;
    if (withReading) text += kOpen + e.reading + kClose;
  }
  return text;
}

// Appends the changes of one kind, counting them.
void Compare(DataKind kind, const std::vector<Entry>& before, const std::vector<Entry>& after, ChangeCounts& counts,
             std::vector<CodeChange>& list) {
  EntryIt a = before.begin(), b = after.begin();
  while (a != before.end() || b != after.end()) {
    const std::string& code = a == before.end() ? b->code : b == after.end() ? a->code : std::min(a->code, b->code);
    EntryIt aEnd = a, bEnd = b;
    while (aEnd != before.end() && aEnd->code == code) ++aEnd;
    while (bEnd != after.end() && bEnd->code == code) ++bEnd;
    CodeChange change{kind, ChangeKind::Changed, code, {}, {}};
    bool differs = true;
    if (a == aEnd) {
      change.change = ChangeKind::Added;
      change.after = Join({b, bEnd}, false);
      ++counts.added;
    } else if (b == bEnd) {
      change.change = ChangeKind::Removed;
      change.before = Join({a, aEnd}, false);
      ++counts.removed;
    } else if (!std::equal(a, aEnd, b, bEnd, [](const Entry& x, const Entry& y) { return x.key == y.key; })) {
      std::vector<Entry> gone = Only(a, aEnd, b, bEnd);
      std::vector<Entry> come = Only(b, bEnd, a, aEnd);
      bool sameText = Join(gone, false) == Join(come, false);
      change.before = Join(gone, sameText);
      change.after = Join(come, sameText);
      ++counts.changed;
    } else {
      differs = false;
    }
    if (differs) list.push_back(std::move(change));
    a = aEnd;
    b = bEnd;
  }
}

std::vector<std::string> Codes(const std::vector<Entry>& ken, const std::vector<Entry>& jig) {
  std::vector<std::string> codes;
  for (const auto* entries : {&ken, &jig})
    for (const Entry& e : *entries) codes.push_back(e.code);
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  return codes;
}

bool ReadSmallFile(const std::string& path, std::string& text) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= (16 << 20);
  if (ok) {
    text.resize(static_cast<std::size_t>(st.st_size));
    ssize_t n = ::read(fd, text.data(), text.size());
    ok = n >= 0;
    if (ok) text.resize(static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ok;
}

bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

const char* ChangeName(ChangeKind change) {
  switch (change) {
    case ChangeKind::Added:
      return "added";
    case ChangeKind::Removed:
      return "removed";
    default:
      return "changed";
  }
}

}  // namespace

bool CompareDataSets(const std::string& oldFolder, const std::string& newFolder, DataChanges& changes,
                     std::string& error) {
  changes = DataChanges{};
  const std::string before = DataSet::Open(WithSlash(oldFolder))->EditionFolder();
  const std::string after = DataSet::Open(WithSlash(newFolder))->EditionFolder();
  std::vector<Entry> oldKen, oldJig, newKen, newJig;
  if (!ReadEntries(before, DataKind::Ken, oldKen, error) || !ReadEntries(before, DataKind::Jig, oldJig, error) ||
      !ReadEntries(after, DataKind::Ken, newKen, error) || !ReadEntries(after, DataKind::Jig, newJig, error)) {
    return false;
  }
  Compare(DataKind::Ken, oldKen, newKen, changes.ken, changes.list);
  Compare(DataKind::Jig, oldJig, newJig, changes.jig, changes.list);
  std::vector<std::string> oldCodes = Codes(oldKen, oldJig);
  std::vector<std::string> newCodes = Codes(newKen, newJig);
  std::set_difference(oldCodes.begin(), oldCodes.end(), newCodes.begin(), newCodes.end(),
                      std::back_inserter(changes.removedCodes));
  return true;
}

std::string FormatChangesTsv(const DataChanges& changes) {
  std::string text = "kind\tchange\tcode\tbefore\tafter\n";
  for (const CodeChange& c : changes.list) {
    text += std::string(c.kind == DataKind::Ken ? "KEN" : "JIG") + '\t' + ChangeName(c.change) + '\t' + c.code + '\t' +
            SjisToUtf8(c.before) + '\t' + SjisToUtf8(c.after) + '\n';
  }
  return text;
}

std::string FormatRemoved(const std::string& date, const std::vector<std::string>& codes) {
  std::string text = date + "\n";
  for (const std::string& code : codes) text += code + "\n";
  return text;
}

std::optional<std::string> RemovedInEdition(const std::string& editionFolder, std::string_view code) {
  if (code.size() != 7 || !std::all_of(code.begin(), code.end(), IsAsciiDigit)) return std::nullopt;
  std::string text;
  if (!ReadSmallFile(WithSlash(editionFolder) + kRemovedFileName, text)) return std::nullopt;
  std::optional<EditionRecord> edition = ReadEdition(editionFolder);
  std::string_view rest(text);
  std::size_t lf = rest.find('\n');
  std::string_view date = rest.substr(0, lf);
  if (!edition || date != edition->date || lf == std::string_view::npos) return std::nullopt;
  rest.remove_prefix(lf + 1);
  while (!rest.empty()) {
    lf = rest.find('\n');
    if (rest.substr(0, lf) == code) return std::string(date);
    rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
  }
  return std::nullopt;
}

}  // namespace tanzel
