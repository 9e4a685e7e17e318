#include "core/import/ArchiveSums.h"

// Measuring the archives an import reads (their SHA-256 and dates): apart from the rest of
// the edition record, so that the programs that only read records link no hashing library.

#include <fcntl.h>
#include <openssl/evp.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

namespace tanzel {

namespace {

// The date of a time as the local calendar shows it.
std::string LocalDate(std::time_t t) {
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) return {};
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &tm);
  return text;
}

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};

// The newest date among the .csv entries of the zip archive `path`; empty when it holds
// none. False when the file is not a zip archive.
bool NewestCsvDate(const std::string& path, std::string& date) {
  int code = 0;
  std::unique_ptr<zip_t, ZipCloser> archive(zip_open(path.c_str(), ZIP_RDONLY, &code));
  if (!archive) return false;
  zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
    if ((st.valid & ZIP_STAT_NAME) == 0 || (st.valid & ZIP_STAT_MTIME) == 0) continue;
    std::size_t n = std::strlen(st.name);
    if (n < 4 || strcasecmp(st.name + n - 4, ".csv") != 0) continue;
    std::string d = LocalDate(st.mtime);
    if (d > date) date = d;
  }
  return true;
}

std::string BaseName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool Sha256OfFile(const std::string& path, std::string& hex, std::string& error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  bool ok = ctx && EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) == 1;
  char buffer[64 * 1024];
  while (ok) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = path + ": read error: " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    ok = EVP_DigestUpdate(ctx.get(), buffer, static_cast<std::size_t>(n)) == 1;
  }
  ::close(fd);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (!ok || EVP_DigestFinal_ex(ctx.get(), digest, &size) != 1) {
    error = path + ": cannot compute its SHA-256";
    return false;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  hex.clear();
  for (unsigned int i = 0; i < size; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return true;
}

bool MakeEdition(const std::vector<std::string>& paths, EditionRecord& record, std::string& error) {
  record = EditionRecord{};
  for (const std::string& path : paths) {
    ArchiveSum sum{{}, BaseName(path), {}};
    if (!Sha256OfFile(path, sum.sha256, error)) return false;
    std::string date;
    if (!NewestCsvDate(path, date)) {
      struct stat st {};
      if (::stat(path.c_str(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
      }
      date = LocalDate(st.st_mtime);
    }
    if (date > record.date) record.date = date;
    sum.date = date;
    record.archives.push_back(std::move(sum));
  }
  if (!ParseIsoDate(record.date)) {
    error = "the archives carry no date";
    return false;
  }
  return true;
}

}  // namespace tanzel
