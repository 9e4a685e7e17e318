#include "core/data/Editions.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace tanzel {

std::string ResolveEditionFolder(const std::string& dataFolder) {
  std::string folder = dataFolder.empty() ? std::string("./") : dataFolder;
  if (folder.back() != '/') folder += '/';
  std::string link = folder + kCurrentEdition;
  char target[PATH_MAX];
  ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  if (n <= 0) {
    // No link: a plain folder named `current` is read as the edition; nothing at all means
    // the flat layout.
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return link + "/";
    return dataFolder;
  }
  std::string edition(target, static_cast<std::size_t>(n));
  while (edition.size() > 1 && edition.back() == '/') edition.pop_back();
  if (edition.front() == '/') return edition + "/";
  char real[PATH_MAX];
  if (::realpath(folder.c_str(), real) != nullptr) {
    folder = real;
    if (folder.back() != '/') folder += '/';
  }
  return folder + edition + "/";
}

}  // namespace tanzel
