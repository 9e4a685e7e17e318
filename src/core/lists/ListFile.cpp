#include "core/lists/ListFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tanzel {

MappedList::~MappedList() {
  if (data_) ::munmap(data_, size_);
}

bool MappedList::Open(const std::string& path, std::size_t maxBytes, std::string& error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0;
  if (!ok || !S_ISREG(st.st_mode)) {
    error = path + ": not a file";
  } else if (st.st_size == 0) {
    error = path + ": the file is empty";
    ok = false;
  } else if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
    error = path + ": the file is " + std::to_string(st.st_size >> 20) + " MiB; at most " +
            std::to_string(maxBytes >> 20) + " MiB can be read";
    ok = false;
  } else {
    void* data = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (data == MAP_FAILED) {
      error = path + ": " + std::strerror(errno);
      ok = false;
    } else {
      data_ = data;
      size_ = static_cast<std::size_t>(st.st_size);
      ::madvise(data_, size_, MADV_SEQUENTIAL);
    }
  }
  ::close(fd);
  return ok && data_;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace tanzel
