#include "core/data/DataFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "core/text/SjisText.h"

namespace tanzel {

namespace {
const char* Prefix(DataKind kind) {
  return kind == DataKind::Ken ? "KEN" : "JIG";
}
}  // namespace

std::string DataFileBaseName(DataKind kind, int pref) {
  char name[16];
  std::snprintf(name, sizeof name, "%s%02d.CSV", Prefix(kind), pref);
  return name;
}

bool DataFileName(char (&out)[FileNameCapacity], const char* folder, DataKind kind, int pref) {
  int n = std::snprintf(out, sizeof out, "%s/%s%02d.CSV", folder, Prefix(kind), pref);
  if (n < 0 || n >= FileNameCapacity) {
    out[0] = '\0';
    return false;
  }
  return true;
}

std::string ExecutableFolder() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./";
  std::string folder(path, static_cast<std::size_t>(n));
  auto slash = folder.rfind('/');
  folder.resize(slash == std::string::npos ? 0 : slash + 1);
  return folder.empty() ? "./" : folder;
}

std::size_t FrameLength(const char* data, std::size_t len) {
  std::size_t block = len < static_cast<std::size_t>(ReadBlockSize) ? len : ReadBlockSize;
  const void* lf = std::memchr(data, '\n', block);
  return lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) + 1 : block;
}

bool DataFileHandle::Open(const char* path) {
  Close();
  if (path == nullptr || path[0] == '\0') return false;
  // Non-blocking, so that a FIFO does not wait for a writer; only a regular file is kept.
  // O_NONBLOCK changes nothing for the reads of a regular file, so it stays set.
  int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void DataFileHandle::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::size_t DataFileHandle::Read(char* buffer, std::size_t capacity) {
  if (fd_ < 0) return 0;
  for (;;) {
    ssize_t n = ::read(fd_, buffer, capacity);
    if (n < 0 && errno == EINTR) continue;
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
}

int LineReader::ReadLine(LineBuffer& line) {
  if (!input_.IsOpen()) return -1;
  std::size_t avail = input_.Available();
  if (avail < static_cast<std::size_t>(ReadBlockSize)) avail = input_.Refill(ReadBlockSize);
  if (avail == 0) return -1;
  std::size_t len = FrameLength(input_.Data(), avail);
  std::memcpy(line, input_.Data(), len);
  line[len] = '\0';
  input_.Consume(len);
  return static_cast<int>(len);
}

int32_t ParseAtol(const char* text) {
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t value = 0;
  while (*p >= '0' && *p <= '9') {
    if (value <= INT32_MAX) value = value * 10 + (*p - '0');
    ++p;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

namespace {

// Copies the column text [begin, end) without its first and last byte into a field of
// `capacity` bytes, cut at a character boundary to capacity - 1 bytes.
void StoreQuoted(const char* begin, const char* end, char* field, std::size_t capacity) {
  std::size_t len = static_cast<std::size_t>(end - begin);
  if (len >= 2) {
    ++begin;
    len -= 2;
  } else {
    len = 0;  // an empty unquoted column, or a lone byte: no text between the quotes
  }
  len = SjisFitLength(begin, len, capacity - 1);
  std::memcpy(field, begin, len);
  field[len] = '\0';
}

struct Field {
  char* data;
  std::size_t capacity;
};

template <std::size_t N>
Field F(char (&f)[N]) {
  return {f, N};
}

// Column 1 and then the text columns in order. The last listed column is read only when
// a comma follows it, like every other column.
void Split(char* line, int32_t& code, std::initializer_list<Field> fields) {
  char* p = line;
  char* comma = std::strchr(p, ',');
  if (comma == nullptr) return;
  *comma = '\0';
  code = ParseAtol(p);
  p = comma + 1;
  for (const Field& f : fields) {
    comma = std::strchr(p, ',');
    if (comma == nullptr) return;
    *comma = '\0';
    StoreQuoted(p, comma, f.data, f.capacity);
    p = comma + 1;
  }
}

}  // namespace

void SplitKen(char* line, KenRecord& r) {
  r = KenRecord{};
  Split(line, r.LocalGovCode,
        {F(r.OldPostalCode), F(r.PostalCode), F(r.PrefKana), F(r.CityKana), F(r.TownKana), F(r.PrefKanji),
         F(r.CityKanji), F(r.TownKanji)});
}

void SplitJig(char* line, JigRecord& r) {
  r = JigRecord{};
  Split(line, r.LocalGovCode,
        {F(r.OfficeKana), F(r.OfficeKanji), F(r.PrefKanji), F(r.CityKanji), F(r.TownKanji), F(r.BlockKanji),
         F(r.PostalCode), F(r.OldPostalCode)});
}

}  // namespace tanzel
