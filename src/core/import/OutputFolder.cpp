#include "core/import/OutputFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace tanzel {

namespace {

std::string ErrnoText() {
  return std::strerror(errno);
}

}  // namespace

OutputFolder::~OutputFolder() {
  RemoveStaging();
}

void OutputFolder::RemoveStaging() {
  if (staging_.empty()) return;
  for (const std::string& name : names_) ::unlink((staging_ + "/" + name).c_str());
  for (const std::string& name : backups_) ::unlink((staging_ + "/" + name).c_str());
  ::rmdir(staging_.c_str());
  staging_.clear();
  names_.clear();
  backups_.clear();
}

bool OutputFolder::Begin(const std::string& dir, std::string& error) {
  RemoveStaging();
  if (dir.empty()) {
    error = "no output folder given";
    return false;
  }
  if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
    error = dir + ": cannot create the folder: " + ErrnoText();
    return false;
  }
  char resolved[PATH_MAX];
  if (::realpath(dir.c_str(), resolved) == nullptr) {
    error = dir + ": " + ErrnoText();
    return false;
  }
  struct stat st {};
  if (::stat(resolved, &st) != 0 || !S_ISDIR(st.st_mode)) {
    error = dir + ": not a folder";
    return false;
  }
  dir_ = resolved;
  std::string parent;
  std::string base;
  std::size_t slash = dir_.rfind('/');
  if (slash != std::string::npos && slash + 1 < dir_.size()) {
    parent = slash == 0 ? std::string("/") : dir_.substr(0, slash);
    base = dir_.substr(slash + 1);
  }
  // Beside the folder, on the same file system, so that the files move by renaming.
  std::string pattern =
      parent.empty() ? std::string() : (parent == "/" ? parent : parent + "/") + "." + base + ".import-XXXXXX";
  if (!pattern.empty() && ::mkdtemp(pattern.data()) != nullptr) {
    staging_ = pattern;
  } else {
    pattern = dir_ + "/.import-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      error = dir_ + ": cannot create a staging folder: " + ErrnoText();
      return false;
    }
    staging_ = pattern;
  }
  return true;
}

bool OutputFolder::Write(const std::string& name, std::string_view bytes, std::string& error) {
  std::string path = staging_ + "/" + name;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = path + ": cannot create: " + ErrnoText();
    return false;
  }
  names_.push_back(name);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = path + ": cannot write: " + ErrnoText();
      ::close(fd);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) {
    error = path + ": cannot write: " + ErrnoText();
    return false;
  }
  return true;
}

bool OutputFolder::Commit(std::string& error) {
  // Keep a link to every file about to be replaced, so that a failed move can be undone.
  std::vector<bool> hadOld(names_.size(), false);
  for (std::size_t i = 0; i < names_.size(); ++i) {
    std::string backup = names_[i] + ".old";
    if (::link((dir_ + "/" + names_[i]).c_str(), (staging_ + "/" + backup).c_str()) == 0) {
      hadOld[i] = true;
      backups_.push_back(backup);
    }
  }
  for (std::size_t i = 0; i < names_.size(); ++i) {
    std::string target = dir_ + "/" + names_[i];
    if (::rename((staging_ + "/" + names_[i]).c_str(), target.c_str()) == 0) continue;
    error = target + ": cannot replace: " + ErrnoText();
    for (std::size_t j = 0; j < i; ++j) {
      std::string moved = dir_ + "/" + names_[j];
      if (hadOld[j]) {
        ::rename((staging_ + "/" + names_[j] + ".old").c_str(), moved.c_str());
      } else {
        ::unlink(moved.c_str());
      }
    }
    return false;
  }
  names_.clear();
  RemoveStaging();
  return true;
}

}  // namespace tanzel
