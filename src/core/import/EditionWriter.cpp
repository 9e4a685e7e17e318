#include "core/import/EditionWriter.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>

#include "core/data/DataFile.h"
#include "core/data/Editions.h"

namespace tanzel {

namespace {

constexpr const char* kStagingPrefix = ".staging-";

std::string ErrnoText() {
  return std::strerror(errno);
}

std::vector<std::string> DataNames() {
  std::vector<std::string> names;
  for (DataKind kind : {DataKind::Ken, DataKind::Jig}) {
    for (int p = 1; p <= PrefectureCount; ++p) names.push_back(DataFileBaseName(kind, p));
  }
  return names;
}

// The target of a symbolic link; empty when `path` is none.
std::string ReadLink(const std::string& path) {
  char target[PATH_MAX];
  ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

std::string LastComponent(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
  }
  return names;
}

void RemoveTree(const std::string& path) {
  // Best effort: what cannot be removed now is removed by the next import.
  auto remove = [](const char* p, const struct stat*, int, FTW*) {
    ::remove(p);
    return 0;
  };
  ::nftw(path.c_str(), remove, 16, FTW_DEPTH | FTW_PHYS);
}

// A new staging folder in `editions`, made by mkdir so that it becomes readable as the
// umask allows, like the folders and files around it: an edition is read by every user of
// the program, and mkdtemp's folders are the owner's only. Empty, with `error`, on failure.
std::string MakeStagingFolder(const std::string& editions, std::string& error) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device device;
  std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = editions + "/" + kStagingPrefix;
    for (int i = 0; i < 6; ++i) path += kLetters[letter(device)];
    if (::mkdir(path.c_str(), 0755) == 0) return path;
    if (errno != EEXIST) break;
  }
  error = editions + ": cannot create a staging folder: " + ErrnoText();
  return {};
}

// True when a process holds the folder `path` with flock(): the work folder of a running
// update, which its owner removes itself (and the next import, once the owner is gone).
bool HeldByAProcess(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

bool SyncPath(const std::string& path, int flags) {
  int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

bool WriteFile(const std::string& path, std::string_view bytes, std::string& error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = path + ": cannot create: " + ErrnoText();
    return false;
  }
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
  // Start writing the file out now; Commit() waits for it with the others.
  ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
  if (::close(fd) != 0) {
    error = path + ": cannot write: " + ErrnoText();
    return false;
  }
  return true;
}

// A synced copy of the file `from` (following links) as the new file `to`.
bool CopyFile(const std::string& from, const std::string& to, std::string& error) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    error = from + ": cannot open: " + ErrnoText();
    return false;
  }
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  ssize_t n = out < 0 ? -1 : 0;
  while (out >= 0 && (n = ::sendfile(out, in, nullptr, 1 << 30)) > 0) {
  }
  bool ok = n == 0 && ::fdatasync(out) == 0;
  if (!ok) error = to + ": cannot copy " + from + " there: " + ErrnoText();
  if (out >= 0) ::close(out);
  ::close(in);
  return ok;
}

// Gives `to` the content of the file `from` (following links): a hard link, or where the
// file system refuses one, a synced copy. Nothing is done, and true returned, when `from`
// does not exist.
bool LinkOrCopy(const std::string& from, const std::string& to, std::string& error) {
  if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno == ENOENT && ::access(from.c_str(), F_OK) != 0) return true;
  return CopyFile(from, to, error);
}

}  // namespace

EditionWriter::~EditionWriter() {
  if (!staging_.empty()) RemoveTree(staging_);
  if (lock_ >= 0) {
    // A first import that failed leaves the folder as it found it.
    if (ReadLink(Path(kCurrentEdition)).empty()) ::rmdir(editions_.c_str());
    ::close(lock_);
  }
}

bool EditionWriter::Begin(const std::string& dir, std::string& error) {
  if (dir.empty()) {
    error = "no output folder given";
    return false;
  }
  if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
    error = dir + ": cannot create the folder: " + ErrnoText();
    return false;
  }
  char resolved[PATH_MAX];
  struct stat st {};
  if (::realpath(dir.c_str(), resolved) == nullptr || ::stat(resolved, &st) != 0) {
    error = dir + ": " + ErrnoText();
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    error = dir + ": not a folder";
    return false;
  }
  dir_ = resolved;
  if (dir_ == "/") dir_.clear();  // paths are made as dir_ + "/" + name
  editions_ = Path(kEditionsFolder);
  if (::lstat(Path(kCurrentEdition).c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    error = Path(kCurrentEdition) + ": not a symbolic link to an edition (see tanzel-import --help)";
    return false;
  }
  for (const std::string& name : DataNames()) {
    if (::stat(Path(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      error = Path(name) + ": is a folder, not a data file; move it away and import again";
      return false;
    }
  }
  if (::mkdir(editions_.c_str(), 0755) != 0 && errno != EEXIST) {
    error = editions_ + ": cannot create the folder: " + ErrnoText();
    return false;
  }
  lock_ = ::open(editions_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lock_ < 0) {
    error = editions_ + ": cannot open the folder: " + ErrnoText();
    return false;
  }
  if (::flock(lock_, LOCK_EX | LOCK_NB) != 0) {
    error = dir_ + ": another import into this folder is running";
    ::close(lock_);
    lock_ = -1;
    return false;
  }
  for (const std::string& name : FolderEntries(editions_)) {
    std::size_t dash = name.rfind('-');
    if (name[0] != '.' && dash != std::string::npos)
      lastSequence_ = std::max(lastSequence_, std::atol(&name[dash + 1]));
  }
  RemoveLeftovers();
  staging_ = MakeStagingFolder(editions_, error);
  return !staging_.empty();
}

void EditionWriter::RemoveLeftovers() {
  std::string current = LastComponent(ReadLink(Path(kCurrentEdition)));
  std::string previous = LastComponent(ReadLink(Path(kPreviousEdition)));
  for (const std::string& name : FolderEntries(editions_)) {
    std::string path = editions_ + "/" + name;
    if (name != current && name != previous && !HeldByAProcess(path)) RemoveTree(path);
  }
  ::unlink(Path(std::string(".") + kCurrentEdition + ".new").c_str());
  ::unlink(Path(std::string(".") + kPreviousEdition + ".new").c_str());
  for (const std::string& name : DataNames()) ::unlink(Path("." + name + ".new").c_str());
}

bool EditionWriter::Write(const std::string& name, std::string_view bytes, std::string& error) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
    error = "\"" + name + "\": not a file name";
    return false;
  }
  if (!WriteFile(staging_ + "/" + name, bytes, error)) return false;
  names_.push_back(name);
  return true;
}

bool EditionWriter::Keep(const std::string& name, std::string& error) {
  std::string from = ResolveEditionFolder(dir_ + "/") + name;
  std::string to = staging_ + "/" + name;
  if (!LinkOrCopy(from, to, error)) return false;
  if (::access(to.c_str(), F_OK) == 0) names_.push_back(name);
  return true;
}

bool EditionWriter::Point(std::string& error) {
  ++point_;
  // Test hooks: stop the process here (a test then kills it), or fail here as a failed
  // system call would.
  const char* stop = std::getenv("TANZEL_IMPORT_STOP_AT");
  if (stop != nullptr && std::atoi(stop) == point_) std::raise(SIGSTOP);
  const char* fail = std::getenv("TANZEL_IMPORT_FAIL_AT");
  if (fail != nullptr && std::atoi(fail) == point_) {
    error = dir_ + ": the import failed at its step " + std::to_string(point_) + " (TANZEL_IMPORT_FAIL_AT)";
    return false;
  }
  return true;
}

std::string EditionWriter::NewId() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string id;
  do {
    id = std::string(stamp) + "-" + std::to_string(++lastSequence_);
  } while (::access((editions_ + "/" + id).c_str(), F_OK) == 0);
  return id;
}

bool EditionWriter::Stage(const std::string& staging, std::string& edition, std::string& error) {
  std::string id = NewId();
  if (::rename(staging.c_str(), (editions_ + "/" + id).c_str()) != 0) {
    error = editions_ + "/" + id + ": cannot create: " + ErrnoText();
    return false;
  }
  edition = id;
  ::fsync(lock_);
  return Point(error);
}

bool EditionWriter::AdoptPlainFiles(std::string& error) {
  std::string pattern = MakeStagingFolder(editions_, error);
  if (pattern.empty()) return false;
  bool any = false;
  for (const std::string& name : DataNames()) {
    if (!LinkOrCopy(Path(name), pattern + "/" + name, error)) {
      RemoveTree(pattern);
      return false;
    }
    any = any || ::access((pattern + "/" + name).c_str(), F_OK) == 0;
  }
  std::string edition;
  if (!any) {
    RemoveTree(pattern);
    return true;
  }
  if (!SyncPath(pattern, O_RDONLY | O_DIRECTORY) || !Point(error) || !Stage(pattern, edition, error)) {
    if (error.empty()) error = pattern + ": cannot sync: " + ErrnoText();
    RemoveTree(edition.empty() ? pattern : editions_ + "/" + edition);
    return false;
  }
  if (!ReplaceLink(kCurrentEdition, std::string(kEditionsFolder) + "/" + edition, error)) {
    RemoveTree(editions_ + "/" + edition);
    return false;
  }
  return true;
}

bool EditionWriter::LinkDataNames(std::string& error) {
  bool replaced = false;
  for (const std::string& name : DataNames()) {
    std::string target = std::string(kCurrentEdition) + "/" + name;
    if (::access((staging_ + "/" + name).c_str(), F_OK) != 0 || ReadLink(Path(name)) == target) continue;
    if (!ReplaceLink(name, target, error)) return false;
    replaced = true;
  }
  if (replaced) SyncPath(dir_.empty() ? "/" : dir_, O_RDONLY | O_DIRECTORY);
  return true;
}

bool EditionWriter::ReplaceLink(const std::string& name, const std::string& target, std::string& error) {
  std::string temporary = Path("." + name + ".new");
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0) {
    error = temporary + ": cannot create: " + ErrnoText();
    return false;
  }
  if (!Point(error)) {
    ::unlink(temporary.c_str());
    return false;
  }
  if (::rename(temporary.c_str(), Path(name).c_str()) != 0) {
    error = Path(name) + ": cannot replace: " + ErrnoText();
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool EditionWriter::Commit(std::string& error) {
  // 1. Every file on disk before anything names it.
  for (const std::string& name : names_) {
    if (!SyncPath(staging_ + "/" + name, O_RDONLY)) {
      error = staging_ + "/" + name + ": cannot write: " + ErrnoText();
      return false;
    }
  }
  if (!SyncPath(staging_, O_RDONLY | O_DIRECTORY)) {
    error = staging_ + ": cannot write: " + ErrnoText();
    return false;
  }
  if (!Point(error)) return false;
  // 2. The plain files of a folder without editions become its first edition.
  if (ReadLink(Path(kCurrentEdition)).empty() && !AdoptPlainFiles(error)) return false;
  std::string edition;
  if (!Stage(staging_, edition, error)) {
    if (!edition.empty()) staging_ = editions_ + "/" + edition;
    return false;
  }
  staging_ = editions_ + "/" + edition;
  // 3. The links in the data folder.
  if (!LinkDataNames(error)) return false;
  // 4. and 5.
  std::string old = ReadLink(Path(kCurrentEdition));
  if (!old.empty() && !ReplaceLink(kPreviousEdition, old, error)) return false;
  if (!ReplaceLink(kCurrentEdition, std::string(kEditionsFolder) + "/" + edition, error)) return false;
  // The new edition is in use: nothing below can undo that.
  id_ = edition;
  staging_.clear();
  SyncPath(dir_.empty() ? "/" : dir_, O_RDONLY | O_DIRECTORY);
  std::string ignored;
  Point(ignored);
  // 6.
  RemoveLeftovers();
  Point(ignored);
  return true;
}

}  // namespace tanzel
