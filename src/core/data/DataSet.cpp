#include "core/data/DataSet.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "core/data/DataFolders.h"
#include "core/data/Editions.h"

namespace tanzel {

namespace {

inline constexpr const char* kRemovedFile = "REMOVED";
inline constexpr long kMaxRemovedBytes = 16L * 1024 * 1024;

// The target of `folder`current, or empty when it is no link.
std::string CurrentLink(const std::string& folder) {
  char target[PATH_MAX];
  ssize_t n = ::readlink((folder + kCurrentEdition).c_str(), target, sizeof target);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

// The bytes of a regular file of at most `limit` bytes; empty otherwise.
std::string SmallFile(const std::string& path, long limit) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  struct stat st {};
  std::string text;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= limit) {
    text.resize(static_cast<std::size_t>(st.st_size));
    ssize_t n = ::read(fd, text.data(), text.size());
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  }
  ::close(fd);
  return text;
}

// The codes of a REMOVED file's text when its first line is `date`, sorted.
std::vector<std::string> RemovedCodes(std::string_view text, const std::string& date) {
  std::vector<std::string> codes;
  std::size_t lf = text.find('\n');
  if (date.empty() || text.substr(0, lf) != date) return codes;
  text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
  while (!text.empty()) {
    lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    if (!line.empty()) codes.emplace_back(line);
  }
  std::sort(codes.begin(), codes.end());
  return codes;
}

}  // namespace

std::shared_ptr<const DataSet> DataSet::Open(const std::string& folder, ReadHook beforeRead) {
  std::shared_ptr<DataSet> set(new DataSet);
  set->beforeRead_ = std::move(beforeRead);
  set->folder_ = folder.empty() ? std::string("./") : folder;
  if (set->folder_.back() != '/') set->folder_ += '/';
  // The link is read before and after resolving it, so that the edition and the link kept
  // for Outdated() agree even while imports switch `current`.
  for (int tries = 0; tries < 8; ++tries) {
    set->link_ = CurrentLink(set->folder_);
    set->edition_ = ResolveEditionFolder(set->folder_);
    if (CurrentLink(set->folder_) == set->link_) break;
  }
  if (set->edition_.back() != '/') set->edition_ += '/';
  if (!set->link_.empty()) {
    std::string_view name(set->edition_);
    name.remove_suffix(1);
    set->id_ = name.substr(name.rfind('/') + 1);
  }
  set->record_ = ReadEdition(set->edition_);
  if (set->record_)
    set->removed_ = RemovedCodes(SmallFile(set->edition_ + kRemovedFile, kMaxRemovedBytes), set->record_->date);
  return set;
}

std::shared_ptr<const DataSet> DataSet::OpenInUse(const std::string& programFolder) {
  return Open(ChooseDataFolder(programFolder));
}

bool DataSet::Removed(std::string_view code) const {
  return std::binary_search(removed_.begin(), removed_.end(), code);
}

bool DataSet::Outdated() const {
  return !link_.empty() && CurrentLink(folder_) != link_;
}

}  // namespace tanzel
