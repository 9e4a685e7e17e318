#pragma once

// The per-prefecture data files: their names, line framing and the split of a line into
// a record.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/data/Records.h"

namespace tanzel {

inline constexpr int PrefectureCount = 47;

// A line is at most ReadBlockSize bytes; a longer one is delivered in pieces of that size.
inline constexpr int ReadBlockSize = 2048;
// A line buffer: one line and its terminator.
using LineBuffer = char[ReadBlockSize + 1];

// File names are composed in a buffer of this size, terminator included: the longest path
// the platform opens.
inline constexpr int FileNameCapacity = PATH_MAX;

enum class DataKind { Ken, Jig };

// "KENnn.CSV" or "JIGnn.CSV": the name of prefecture `pref`'s file of that kind.
std::string DataFileBaseName(DataKind kind, int pref);

// Composes "<folder>/KENnn.CSV" or "<folder>/JIGnn.CSV" (folder ends with its separator,
// so the separator is doubled, which the file system treats as one). Returns false, with
// out empty, when the name does not fit the buffer.
bool DataFileName(char (&out)[FileNameCapacity], const char* folder, DataKind kind, int pref);

// The folder of the running executable, with its trailing '/'.
std::string ExecutableFolder();

// Line framing: a line runs up to and including the first line feed within ReadBlockSize
// bytes, or is those ReadBlockSize bytes. Returns the length of the line that starts at
// data[0] (0 for an empty input).
std::size_t FrameLength(const char* data, std::size_t len);

// A data file opened read-only, as an existing file, for shared reading: any number of
// readers (the main window and the search worker) may hold one file at once.
class DataFileHandle {
 public:
  DataFileHandle() = default;
  ~DataFileHandle() { Close(); }
  DataFileHandle(const DataFileHandle&) = delete;
  DataFileHandle& operator=(const DataFileHandle&) = delete;

  // Opens `path` when it is a regular file (after following links). Anything else (a
  // missing file, a folder, a FIFO, a device) cannot be opened: false, and nothing waits
  // for a FIFO's writer or reads a device.
  bool Open(const char* path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Reads up to `capacity` bytes into `buffer`; retries when interrupted. Returns the
  // number read, 0 at the end of the file or after a failed read.
  std::size_t Read(char* buffer, std::size_t capacity);

 private:
  int fd_ = -1;
};

// The bytes of one data file seen through a fixed read-ahead buffer of N bytes: the
// unread bytes are data()[0, Available()).
template <std::size_t N>
class ReadAhead {
 public:
  bool Open(const char* path) {
    end_ = false;
    begin_ = size_ = 0;
    return file_.Open(path);
  }
  void Close() { file_.Close(); }
  bool IsOpen() const { return file_.IsOpen(); }

  const char* Data() const { return buffer_ + begin_; }
  std::size_t Available() const { return size_ - begin_; }
  // True once nothing more can be read (end of file, or a failed read).
  bool AtEnd() const { return end_; }
  void Consume(std::size_t n) { begin_ += n; }

  // Moves the unread bytes to the front and reads until at least `want` (at most N) bytes
  // are unread or the file ends. Returns Available().
  std::size_t Refill(std::size_t want) {
    std::size_t unread = size_ - begin_;
    std::memmove(buffer_, buffer_ + begin_, unread);
    begin_ = 0;
    size_ = unread;
    while (size_ < want && !end_) {
      std::size_t n = file_.Read(buffer_ + size_, N - size_);
      if (n == 0) end_ = true;  // end of file, or a failed read: the file ends here
      size_ += n;
    }
    return size_;
  }

 private:
  DataFileHandle file_;
  bool end_ = false;
  std::size_t begin_ = 0;
  std::size_t size_ = 0;
  char buffer_[N];
};

// Reads the lines of one data file through one fixed read-ahead buffer, never the whole
// file.
class LineReader {
 public:
  bool Open(const char* path) { return input_.Open(path); }
  void Close() { input_.Close(); }
  bool IsOpen() const { return input_.IsOpen(); }

  // The next line, framed by FrameLength; the carriage return is kept. The line is copied
  // into `line` and NUL-terminated. Returns its length, or -1 when no line is left (end of
  // file or a failed read).
  int ReadLine(LineBuffer& line);

 private:
  ReadAhead<64 * 1024> input_;
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

}  // namespace tanzel
