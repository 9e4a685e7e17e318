#include "core/data/ZeroedTable.h"

#include <sys/mman.h>

namespace tanzel {

void* MapZeroPages(std::size_t bytes) {
  if (bytes == 0) bytes = 1;
  void* pages = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return pages == MAP_FAILED ? nullptr : pages;
}

void UnmapZeroPages(void* pages, std::size_t bytes) {
  if (pages != nullptr) ::munmap(pages, bytes == 0 ? 1 : bytes);
}

}  // namespace tanzel
