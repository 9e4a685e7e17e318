#pragma once

// One input of the importer: a Japan Post archive (.zip) or the CSV inside it, read whole
// and brought into Shift-JIS.

#include <string>
#include <string_view>

namespace tanzel {

// What was wrong with an input that could not be read, for a caller that words it itself.
enum class InputFault {
  None,
  Unreadable,  // the file cannot be opened or read, or is no regular file
  Damaged,     // it starts like a zip archive but cannot be read whole: cut short, a CRC error
  NotArchive,  // neither a zip archive holding one CSV nor a CSV (a web page, another file)
  Contents,    // an archive's CSV, or a CSV, that fails a check of its records
};

struct ImportSource {
  // How messages name the input: the path, and for an archive the CSV inside it.
  std::string name;
  // The CSV text in Shift-JIS (a UTF-8 CSV is converted).
  std::string text;
  // The CSV was UTF-8 (utf_ken_all.csv: one record per line, full-width kana).
  bool utf8 = false;
  // The input was a zip archive (its CSV read whole).
  bool archive = false;
  // Set when ReadImportSource fails on the file or its archive; a CSV whose text does not
  // convert leaves it None, its fault being in its records, as with a failed check of them.
  InputFault fault = InputFault::None;
};

// Reads `path`. A file that starts like a zip archive must hold exactly one .csv entry,
// which is read to its end: a CRC error, or an entry longer or shorter than its size field
// says, fails as a damaged archive (naming archive and entry). Any other file is taken as
// the CSV itself. A file, or an entry by its size field, larger than 64 MB is refused before
// it is read. The encoding is told by the
// first line that holds a byte above 0x7F: valid UTF-8 there means a UTF-8 file, anything
// else Shift-JIS. A UTF-8 file is converted to Shift-JIS whole; a byte sequence that is not
// UTF-8, or a character Shift-JIS cannot represent, fails with a message naming its line.
// Returns false with `error` set on failure.
bool ReadImportSource(const std::string& path, ImportSource& source, std::string& error);

// Shift-JIS text of a UTF-8 CSV; exposed for the tests. `name` is used in messages.
bool ConvertUtf8Csv(std::string_view utf8, const std::string& name, std::string& sjis, std::string& error);

// The 1-based number of the line that holds byte `offset` of `text`.
long LineNumberAt(std::string_view text, std::size_t offset);

}  // namespace tanzel
