#pragma once

// Fixed tables of records that start zero-filled and cost memory only for the pages that
// are written: the pages come from the system already zero, and none is touched until a
// record on it is.

#include <cstddef>
#include <new>
#include <type_traits>

namespace tanzel {

// `bytes` of zero pages, or nullptr when the system refuses them.
void* MapZeroPages(std::size_t bytes);
void UnmapZeroPages(void* pages, std::size_t bytes);

template <typename Record>
class ZeroedTable {
  static_assert(std::is_trivially_copyable_v<Record> && std::is_trivially_default_constructible_v<Record>,
                "all-zero bytes must be a valid, empty record");

 public:
  // `count` zero records. Throws std::bad_alloc when the memory cannot be had.
  explicit ZeroedTable(std::size_t count)
      : records_(static_cast<Record*>(MapZeroPages(count * sizeof(Record)))), count_(count) {
    if (records_ == nullptr) throw std::bad_alloc();
  }
  ~ZeroedTable() { UnmapZeroPages(records_, count_ * sizeof(Record)); }
  ZeroedTable(const ZeroedTable&) = delete;
  ZeroedTable& operator=(const ZeroedTable&) = delete;

  Record* get() { return records_; }
  const Record* get() const { return records_; }
  Record& operator[](std::size_t i) { return records_[i]; }
  const Record& operator[](std::size_t i) const { return records_[i]; }
  std::size_t size() const { return count_; }

 private:
  Record* records_;
  std::size_t count_;
};

}  // namespace tanzel
