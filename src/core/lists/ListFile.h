#pragma once

// Reading a list from a file without copying it (writing one: UserFile.h).

#include <cstddef>
#include <string>
#include <string_view>

namespace tanzel {

// A regular file mapped read-only. Not copyable.
class MappedList {
 public:
  MappedList() = default;
  ~MappedList();
  MappedList(const MappedList&) = delete;
  MappedList& operator=(const MappedList&) = delete;

  // Maps the file at `path`. Refuses, with `error` saying why, a file that cannot be opened,
  // is not a regular file, is empty, or is larger than `maxBytes` (checked before anything is
  // read, so a huge file costs no memory).
  bool Open(const std::string& path, std::size_t maxBytes, std::string& error);
  std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }

 private:
  void* data_ = nullptr;
  std::size_t size_ = 0;
};

// True when `a` and `b` name the same existing file (links followed).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace tanzel
