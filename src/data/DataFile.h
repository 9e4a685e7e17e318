#pragma once

// The per-prefecture data files: their names, line framing and the split of a line into
// a record.

#include <cstddef>
#include <cstdint>
#include <string>

#include "data/Records.h"

inline constexpr int PrefectureCount = 47;

// A line is at most ReadBlockSize bytes; a longer one is delivered in pieces of that size.
inline constexpr int ReadBlockSize = 2048;
// A line buffer: one line and its terminator.
using LineBuffer = char[ReadBlockSize + 1];

// File names are composed in a buffer of this size, terminator included.
inline constexpr int FileNameCapacity = 260;

enum class DataKind { Ken, Jig };

// "KENnn.CSV" or "JIGnn.CSV": the name of prefecture `pref`'s file of that kind.
std::string DataFileBaseName(DataKind kind, int pref);

// Composes "<folder>/KENnn.CSV" or "<folder>/JIGnn.CSV" (folder ends with its separator,
// so the separator is doubled, which the file system treats as one). Returns false, with
// out empty, when the name does not fit the buffer.
bool DataFileName(char (&out)[FileNameCapacity], const char* folder, DataKind kind, int pref);

// The folder of the running executable, with its trailing '/'.
std::string ExecutableFolder();

// A data file opened read-only, as an existing file, for shared reading: any number of
// readers (the main window and the search worker) may hold one file at once.
class DataFileHandle {
 public:
  DataFileHandle() = default;
  ~DataFileHandle() { Close(); }
  DataFileHandle(const DataFileHandle&) = delete;
  DataFileHandle& operator=(const DataFileHandle&) = delete;

  bool Open(const char* path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Fills buffer[size, capacity) from the file until it is at least `want` bytes full or
  // the file ends; a failed read ends the file too. Returns the new size and sets `end`
  // once nothing more can be read.
  std::size_t Fill(char* buffer, std::size_t size, std::size_t want, std::size_t capacity, bool& end);

 private:
  int fd_ = -1;
};

// Reads the lines of one data file through one fixed read-ahead buffer, never the whole
// file.
class LineReader {
 public:
  bool Open(const char* path);
  void Close() { file_.Close(); }
  bool IsOpen() const { return file_.IsOpen(); }

  // The next line: everything up to and including the first line feed within the next
  // ReadBlockSize bytes, or those ReadBlockSize bytes (fewer at the end of the file) when
  // they hold no line feed. The carriage return is kept. The line is copied into `line`
  // and NUL-terminated. Returns its length, or -1 when no line is left (end of file or a
  // failed read).
  int ReadLine(LineBuffer& line);

 private:
  // Makes at least ReadBlockSize bytes available unless the file ends first.
  void Fill();

  static constexpr std::size_t kBufferSize = 64 * 1024;
  DataFileHandle file_;
  bool end_ = false;
  std::size_t begin_ = 0;
  std::size_t size_ = 0;
  char buffer_[kBufferSize];
};

// The atol rule: leading white space, an optional sign, then decimal digits up to the
// first other byte; 0 when there are none. Saturates at the int32 range.
int32_t ParseAtol(const char* text);

// Split one line into a record slot. The slot is cleared first, so a field the line does
// not reach is empty. The line is modified (its commas become NULs). Quoted columns lose
// their first and last byte; an empty unquoted column gives an empty field; a text too
// long for its field is cut at a character boundary.
void SplitKen(char* line, KenRecord& rec);
void SplitJig(char* line, JigRecord& rec);
