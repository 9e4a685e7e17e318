#include "core/import/EditionWriter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
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
constexpr const char* kUpdatePrefix = ".update-";
constexpr const char* kMarkerText = "Made by tanzel-import; removed by the next import once no longer in use.\n";

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

// The names in the folder open as `fd` (without "." and ".."); `fd` stays open.
std::vector<std::string> EntriesAt(int fd) {
  std::vector<std::string> names;
  int own = ::dup(fd);
  DIR* d = own < 0 ? nullptr : ::fdopendir(own);
  if (d == nullptr) {
    if (own >= 0) ::close(own);
    return names;
  }
  ::rewinddir(d);
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(d);
  return names;
}

// Opens the folder `name` in the folder open as `parent`; -1 when it is none (a symbolic
// link is none).
int OpenFolderAt(int parent, const std::string& name) {
  return ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Removes `name` in the folder open as `parent` with everything below it; a symbolic link is
// removed itself, never followed. Best effort: what cannot be removed now is removed by the
// next import.
void RemoveAt(int parent, const std::string& name) {
  int fd = OpenFolderAt(parent, name);
  if (fd < 0) {
    ::unlinkat(parent, name.c_str(), 0);
    return;
  }
  for (const std::string& entry : EntriesAt(fd)) RemoveAt(fd, entry);
  ::close(fd);
  ::unlinkat(parent, name.c_str(), AT_REMOVEDIR);
}

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// An edition's id as NewId() makes it: YYYYMMDD-HHMMSS-<sequence>.
bool IsEditionId(std::string_view name) {
  return name.size() > 16 && AllDigits(name.substr(0, 8)) && name[8] == '-' && AllDigits(name.substr(9, 6)) &&
         name[15] == '-' && AllDigits(name.substr(16));
}

// A name MakeOwnFolder() gives: <prefix>XXXXXX.
bool IsWorkFolderName(std::string_view name) {
  for (std::string_view prefix : {std::string_view(kStagingPrefix), std::string_view(kUpdatePrefix)}) {
    if (name.size() == prefix.size() + 6 && name.substr(0, prefix.size()) == prefix &&
        std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), IsAlnum))
      return true;
  }
  return false;
}

// Whether the entry `name` of the editions folder open as `editions` is a folder this program
// made: one of its names, a folder (not a link) and the marker inside as a plain file, or
// else empty (made, and the marker not yet written, when an import was killed).
bool IsOwnFolder(int editions, const std::string& name) {
  if (!IsEditionId(name) && !IsWorkFolderName(name)) return false;
  int fd = OpenFolderAt(editions, name);
  if (fd < 0) return false;
  struct stat st {};
  bool own =
      (::fstatat(fd, kOwnFolderMarker, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) || EntriesAt(fd).empty();
  ::close(fd);
  return own;
}

// True when a process holds the folder `name` in `editions` with flock(): the work folder
// of a running update, which its owner removes itself (and the next import, once the owner
// is gone).
bool HeldByAProcess(int editions, const std::string& name) {
  int fd = OpenFolderAt(editions, name);
  if (fd < 0) return false;
  bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

// Opens D/editions (`editions`) to lock it: a folder of its own, never through a symbolic
// link. -1, with `error`, when it cannot.
int OpenEditionsFolder(const std::string& editions, std::string& error) {
  int fd = ::open(editions.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) return fd;
  struct stat st {};
  if (::lstat(editions.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
    error = editions + ": is " + (S_ISLNK(st.st_mode) ? "a symbolic link" : "not a folder") +
            ", not the folder of editions the import keeps; nothing was written or removed (move it away and "
            "import again)";
  } else {
    error = editions + ": cannot open the folder: " + ErrnoText();
  }
  return -1;
}

// Takes the import lock on the editions folder open as `fd`.
bool Lock(int fd, const std::string& dir, std::string& error) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  error = dir + ": " + kAnotherImportRunning;
  return false;
}

// The clean-up of the data folder `dir` whose editions folder is open, and locked, as
// `editions` (see TidyDataFolder).
void RemoveLeftoversAt(const std::string& dir, int editions, std::vector<std::string>& leftAlone) {
  auto path = [&](const std::string& name) { return dir + "/" + name; };
  std::string current = LastComponent(ReadLink(path(kCurrentEdition)));
  // A commit killed between putting its edition in use and moving `previous`: finish it.
  std::string pending = path(std::string(".") + kPreviousEdition + ".new");
  std::string older = LastComponent(ReadLink(pending));
  struct stat st {};
  if (!older.empty() && !current.empty() && older != current &&
      ::fstatat(editions, older.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
    ::rename(pending.c_str(), path(kPreviousEdition).c_str());
  }
  std::string previous = LastComponent(ReadLink(path(kPreviousEdition)));
  for (const std::string& name : EntriesAt(editions)) {
    if (name == current || name == previous || HeldByAProcess(editions, name)) continue;
    if (IsOwnFolder(editions, name)) {
      RemoveAt(editions, name);
    } else if (std::find(leftAlone.begin(), leftAlone.end(), name) == leftAlone.end()) {
      leftAlone.push_back(name);
    }
  }
  // Temporary links in D, removed only when they are links.
  std::vector<std::string> links{std::string(".") + kCurrentEdition + ".new",
                                 std::string(".") + kPreviousEdition + ".new"};
  for (const std::string& name : DataNames()) links.push_back("." + name + ".new");
  for (const std::string& name : links) {
    if (::lstat(path(name).c_str(), &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(path(name).c_str());
  }
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

std::string MakeOwnFolder(const std::string& editions, const std::string& prefix, std::string& error) {
  // Made by mkdir, not mkdtemp, so that it becomes readable as the umask allows, like the
  // folders and files around it: an edition is read by every user of the program, and
  // mkdtemp's folders are the owner's only.
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device device;
  std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = editions + "/" + prefix;
    for (int i = 0; i < 6; ++i) path += kLetters[letter(device)];
    if (::mkdir(path.c_str(), 0755) != 0) {
      if (errno == EEXIST) continue;
      break;
    }
    if (!WriteFile(path + "/" + kOwnFolderMarker, kMarkerText, error)) {
      ::rmdir(path.c_str());
      return {};
    }
    return path;
  }
  error = editions + ": cannot create a folder there: " + ErrnoText();
  return {};
}

bool TidyDataFolder(const std::string& dir, std::vector<std::string>& leftAlone, std::string& error) {
  std::string folder = dir;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::string editions = folder + "/" + kEditionsFolder;
  struct stat st {};
  if (::lstat(editions.c_str(), &st) != 0 && errno == ENOENT) return true;
  int fd = OpenEditionsFolder(editions, error);
  if (fd < 0) return false;
  bool locked = Lock(fd, folder, error);
  if (locked) RemoveLeftoversAt(folder, fd, leftAlone);
  ::close(fd);
  return locked;
}

EditionWriter::~EditionWriter() {
  if (!staging_.empty()) Remove(staging_);
  if (lock_ >= 0) {
    // A first import that failed leaves the folder as it found it.
    if (ReadLink(Path(kCurrentEdition)).empty()) ::rmdir(editions_.c_str());
    ::close(lock_);
  }
}

void EditionWriter::Remove(const std::string& path) {
  if (lock_ >= 0) RemoveAt(lock_, LastComponent(path));
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
  bool made = ::mkdir(editions_.c_str(), 0755) == 0;
  if (!made && errno != EEXIST) {
    error = editions_ + ": cannot create the folder: " + ErrnoText();
    return false;
  }
  lock_ = OpenEditionsFolder(editions_, error);
  if (lock_ < 0) return false;
  if (!Lock(lock_, dir_, error)) {
    ::close(lock_);
    lock_ = -1;
    if (made) ::rmdir(editions_.c_str());
    return false;
  }
  for (const std::string& name : EntriesAt(lock_)) {
    if (IsEditionId(name)) lastSequence_ = std::max(lastSequence_, std::atol(&name[16]));
  }
  RemoveLeftovers();
  staging_ = MakeOwnFolder(editions_, kStagingPrefix, error);
  return !staging_.empty();
}

void EditionWriter::RemoveLeftovers() {
  RemoveLeftoversAt(dir_, lock_, leftAlone_);
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
  if (!atStep_ || atStep_(point_)) return true;
  error = dir_ + ": the import failed at its step " + std::to_string(point_) + " (test hook)";
  return false;
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
  std::string pattern = MakeOwnFolder(editions_, kStagingPrefix, error);
  if (pattern.empty()) return false;
  bool any = false;
  for (const std::string& name : DataNames()) {
    if (!LinkOrCopy(Path(name), pattern + "/" + name, error)) {
      Remove(pattern);
      return false;
    }
    any = any || ::access((pattern + "/" + name).c_str(), F_OK) == 0;
  }
  std::string edition;
  if (!any) {
    Remove(pattern);
    return true;
  }
  if (!SyncPath(pattern, O_RDONLY | O_DIRECTORY) || !Point(error) || !Stage(pattern, edition, error)) {
    if (error.empty()) error = pattern + ": cannot sync: " + ErrnoText();
    Remove(edition.empty() ? pattern : editions_ + "/" + edition);
    return false;
  }
  if (!ReplaceLink(kCurrentEdition, std::string(kEditionsFolder) + "/" + edition, error)) {
    Remove(editions_ + "/" + edition);
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
  // 4., 5. and 6.: `previous` moves only once `current` names the new edition, so that it
  // never names the edition `current` names.
  std::string old = ReadLink(Path(kCurrentEdition));
  std::string pending = Path(std::string(".") + kPreviousEdition + ".new");
  if (!old.empty()) {
    ::unlink(pending.c_str());
    if (::symlink(old.c_str(), pending.c_str()) != 0) {
      error = pending + ": cannot create: " + ErrnoText();
      return false;
    }
  }
  if (!ReplaceLink(kCurrentEdition, std::string(kEditionsFolder) + "/" + edition, error)) {
    ::unlink(pending.c_str());
    return false;
  }
  // The new edition is in use: nothing below can undo that.
  id_ = edition;
  staging_.clear();
  std::string ignored;
  Point(ignored);
  if (!old.empty()) ::rename(pending.c_str(), Path(kPreviousEdition).c_str());
  SyncPath(dir_.empty() ? "/" : dir_, O_RDONLY | O_DIRECTORY);
  Point(ignored);
  // 7.
  RemoveLeftovers();
  Point(ignored);
  return true;
}

}  // namespace tanzel
