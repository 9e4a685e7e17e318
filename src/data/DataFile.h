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

// Composes "<folder>/KENnn.CSV" or "<folder>/JIGnn.CSV" (folder ends with its separator,
// so the separator is doubled, which the file system treats as one). Returns false, with
// out empty, when the name does not fit the buffer.
bool DataFileName(char (&out)[FileNameCapacity], const char* folder, DataKind kind, int pref);

// The folder of the running executable, with its trailing '/'.
std::string ExecutableFolder();

// Reads the lines of one data file. The file is opened read-only for shared reading; the
// reader reads ahead through one fixed buffer, never the whole file.
class LineReader {
 public:
  LineReader() = default;
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool Open(const char* path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

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
  int fd_ = -1;
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
