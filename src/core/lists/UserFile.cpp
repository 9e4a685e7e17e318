#include "core/lists/UserFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tanzel {

namespace {

constexpr int kMaxLinks = 40;
constexpr std::size_t kRandomChars = 6;
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

bool IsRandomPart(std::string_view text) {
  if (text.size() != kRandomChars) return false;
  for (char c : text)
    if (std::strchr(kAlphabet, c) == nullptr || c == '\0') return false;
  return true;
}

// A name of our temporary files: "<name>.tanzel-tmp-XXXXXX", or "<target>.tmp-XXXXXX" as the
// writer of the lists named them before (only beside that same target).
bool IsOurTemporaryName(std::string_view entry, std::string_view target) {
  const std::string_view marker = kUserFileTempMarker;
  if (entry.size() > marker.size() + kRandomChars &&
      entry.substr(entry.size() - kRandomChars - marker.size(), marker.size()) == marker)
    return IsRandomPart(entry.substr(entry.size() - kRandomChars));
  const std::string_view old = ".tmp-";
  return entry.size() == target.size() + old.size() + kRandomChars && entry.substr(0, target.size()) == target &&
         entry.substr(target.size(), old.size()) == old && IsRandomPart(entry.substr(entry.size() - kRandomChars));
}

// Removes the temporary files a killed writer left in `folder` (see the header).
void RemoveLeftovers(const std::string& folder, const std::string& target) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsOurTemporaryName(entry->d_name, target)) continue;
    int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(dirFd, entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

std::string RandomPart() {
  unsigned char bytes[kRandomChars];
  if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    static unsigned counter = 0;
    for (std::size_t i = 0; i < kRandomChars; ++i)
      bytes[i] = static_cast<unsigned char>((::getpid() >> (i * 4)) + counter++ * 7 + i);
  }
  std::string text;
  for (unsigned char b : bytes) text += kAlphabet[b % (sizeof kAlphabet - 1)];
  return text;
}

// Creates and locks a new temporary file for `target`; -1 when it cannot (errno says why).
int CreateTemporary(const std::string& target, mode_t mode, std::string& temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = target + kUserFileTempMarker + RandomPart();
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    // Another writer's clean-up may have taken the file before the lock: then it is gone
    // from the folder, and another name is tried.
    struct stat mine {
    }, named{};
    if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &mine) == 0 && ::stat(temp.c_str(), &named) == 0 &&
        mine.st_ino == named.st_ino && mine.st_dev == named.st_dev)
      return fd;
    ::close(fd);
  }
  errno = EEXIST;
  return -1;
}

// The file that a write to `path` replaces: `path` with its symbolic links followed, as far as
// they lead (the last one may point to nothing yet). Empty, with `error`, on a loop of links.
std::string FollowLinks(const std::string& path, std::string& error) {
  std::string current = path;
  for (int links = 0; links <= kMaxLinks; ++links) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::string to(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    ssize_t n = ::readlink(current.c_str(), to.data(), to.size());
    if (n < 0) return current;
    to.resize(static_cast<std::size_t>(n));
    current = !to.empty() && to.front() == '/' ? to : FolderOf(current) + "/" + to;
  }
  error = path + ": too many symbolic links";
  return {};
}

}  // namespace

bool WriteUserFile(const std::string& path, const std::function<bool(std::FILE*)>& write, std::string& error) {
  const std::string target = FollowLinks(path, error);
  if (target.empty()) return false;
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    error = path + ": " + KindOf(st.st_mode) + "; only a regular file is replaced";
    return false;
  }
  if (exists && ::access(target.c_str(), W_OK) != 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  RemoveLeftovers(FolderOf(target), NameOf(target));
  std::string temp;
  // A new file is created as any other (the umask applies); a replaced one starts private and
  // takes the old file's owner and mode before anything is written into it.
  const int fd = CreateTemporary(target, exists ? 0600 : 0666, temp);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  if (exists) {
    if (::fchown(fd, st.st_uid, st.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
      // Neither may be set by this user: the file keeps this user's owner and group.
    }
    if (::fchmod(fd, st.st_mode & 07777) != 0) {
      // Cannot happen on a file this process created; it would stay private (0600).
    }
  }
  // The lock stays with `fd` until the file has its name: fclose closes only a copy.
  const int streamFd = ::dup(fd);
  std::FILE* file = streamFd >= 0 ? ::fdopen(streamFd, "wb") : nullptr;
  int saved = errno;
  bool ok = file != nullptr;
  if (!ok && streamFd >= 0) ::close(streamFd);
  if (ok) {
    ok = write(file);
    ok = ok && std::fflush(file) == 0 && !std::ferror(file) && ::fsync(fd) == 0;
    saved = errno;
    ok = std::fclose(file) == 0 && ok;
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    saved = errno;
    ok = false;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    if (error.empty()) error = path + ": " + (saved ? std::strerror(saved) : "could not be written");
  }
  ::close(fd);
  return ok;
}

}  // namespace tanzel
