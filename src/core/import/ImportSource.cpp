#include "core/import/ImportSource.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/text/Normalize.h"

namespace tanzel {

namespace {

// Larger inputs are refused rather than read: Japan Post's biggest CSV is under 20 MB, and a
// CSV this long would already hold more records than the program reads. An archive entry is
// refused as soon as it declares or yields more.
constexpr std::size_t kMaxInputSize = 64u * 1024 * 1024;

std::string LineText(long line) {
  return ", line " + std::to_string(line);
}

std::string ErrnoText() {
  return std::strerror(errno);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
  // Anything but a regular file is refused before it is opened: opening a FIFO would wait
  // for a writer, a device could give bytes without end. Opened without waiting all the
  // same, for a file replaced meanwhile.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    error = path + ": not a regular file";
    return false;
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": cannot open: " + ErrnoText();
    return false;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = path + ": not a regular file";
    ::close(fd);
    return false;
  }
  if (static_cast<std::size_t>(st.st_size) > kMaxInputSize) {
    error = path + ": " + std::to_string(st.st_size) + " bytes long, too large for a Japan Post file";
    ::close(fd);
    return false;
  }
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = path + ": read error: " + ErrnoText();
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  ::close(fd);
  return true;
}

bool EndsWithCsv(const char* name) {
  std::size_t n = std::strlen(name);
  return n >= 4 && strcasecmp(name + n - 4, ".csv") == 0;
}

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// Reads the one CSV of the archive held in `bytes`.
// `fault` tells a damaged archive (one libzip cannot open, an entry that does not read
// whole) from one that is whole but holds no single CSV of a sensible size.
bool ReadArchive(const std::string& path, const std::string& bytes, std::string& csvName, std::string& csv,
                 InputFault& fault, std::string& error) {
  fault = InputFault::Damaged;
  zip_error_t zerr;
  zip_error_init(&zerr);
  zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &zerr);
  if (src == nullptr) {
    error = path + ": cannot read the archive: " + zip_error_strerror(&zerr);
    zip_error_fini(&zerr);
    return false;
  }
  std::unique_ptr<zip_t, ZipCloser> archive(zip_open_from_source(src, ZIP_RDONLY, &zerr));
  if (!archive) {
    error = path +
            ": is neither a Japan Post archive nor its CSV (not a readable zip archive: " + zip_error_strerror(&zerr) +
            ")";
    zip_source_free(src);
    zip_error_fini(&zerr);
    return false;
  }
  zip_error_fini(&zerr);

  zip_int64_t found = -1;
  zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0);
    if (name == nullptr || !EndsWithCsv(name)) continue;
    if (found >= 0) {
      error = path + ": the archive holds more than one CSV file";
      fault = InputFault::NotArchive;
      return false;
    }
    found = i;
  }
  if (found < 0) {
    error = path + ": the archive holds no CSV file";
    fault = InputFault::NotArchive;
    return false;
  }
  auto index = static_cast<zip_uint64_t>(found);
  csvName = zip_get_name(archive.get(), index, 0);
  zip_stat_t st;
  if (zip_stat_index(archive.get(), index, 0, &st) != 0 || (st.valid & ZIP_STAT_SIZE) == 0) {
    error = path + ": cannot read " + csvName + " in the archive: " + zip_strerror(archive.get());
    return false;
  }
  if (st.size > kMaxInputSize) {
    error = path + ": " + csvName + " in the archive is " + std::to_string(st.size) +
            " bytes long, too large for a Japan Post file";
    fault = InputFault::NotArchive;
    return false;
  }
  std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(archive.get(), index, 0));
  if (!file) {
    error = path + ": cannot read " + csvName + " in the archive: " + zip_strerror(archive.get());
    return false;
  }
  // The entry is read to its end, one byte past its declared size: only there does the
  // archive check the entry's CRC, and a byte there means the size field is wrong.
  std::string damaged = path + ": " + csvName + " in the archive is damaged";
  csv.resize(static_cast<std::size_t>(st.size));
  std::size_t done = 0;
  char extra[1];
  for (;;) {
    bool past = done == csv.size();
    zip_int64_t n =
        past ? zip_fread(file.get(), extra, sizeof extra) : zip_fread(file.get(), csv.data() + done, csv.size() - done);
    if (n < 0) {
      error = damaged + " (" + zip_file_strerror(file.get()) + ")";
      return false;
    }
    if (n == 0) break;
    if (past) {
      error = damaged + " (longer than its size field says)";
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (done != csv.size()) {
    error = damaged + " (shorter than its size field says)";
    return false;
  }
  fault = InputFault::None;
  return true;
}

// Length of the UTF-8 sequence at s[0..len), or 0 when it is not a valid one.
std::size_t Utf8SequenceLength(const unsigned char* s, std::size_t len, char32_t* value = nullptr) {
  unsigned char c = s[0];
  std::size_t n;
  char32_t v;
  if (c < 0x80) {
    if (value) *value = c;
    return 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    v = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    v = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    v = c & 0x07;
  } else {
    return 0;
  }
  if (len < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    v = (v << 6) | (s[i] & 0x3F);
  }
  if ((n == 3 && v < 0x800) || (n == 4 && v < 0x10000) || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  if (value) *value = v;
  return n;
}

}  // namespace

long LineNumberAt(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  return 1 + static_cast<long>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

bool ConvertUtf8Csv(std::string_view utf8, const std::string& name, std::string& sjis, std::string& error) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    error = "the system has no UTF-8 to CP932 conversion: " + ErrnoText();
    return false;
  }
  // Shift-JIS never needs more bytes than UTF-8 for the same text.
  sjis.resize(utf8.size());
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* out = sjis.data();
  std::size_t outLeft = sjis.size();
  std::size_t r = iconv(cd, &in, &inLeft, &out, &outLeft);
  int err = errno;
  iconv_close(cd);
  sjis.resize(sjis.size() - outLeft);
  if (r == static_cast<std::size_t>(-1) || inLeft != 0) {
    auto offset = static_cast<std::size_t>(in - utf8.data());
    long line = LineNumberAt(utf8, offset);
    const auto* at = reinterpret_cast<const unsigned char*>(utf8.data()) + offset;
    char32_t ch = 0;
    if (err == EILSEQ && Utf8SequenceLength(at, utf8.size() - offset, &ch) != 0) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(ch));
      std::size_t n = Utf8SequenceLength(at, utf8.size() - offset);
      error = name + LineText(line) + ": the character " + std::string(utf8.substr(offset, n)) + " (" + code +
              ") cannot be represented in Shift-JIS";
    } else {
      error = name + LineText(line) + ": bytes that are not valid UTF-8";
    }
    return false;
  }
  return true;
}

bool ReadImportSource(const std::string& path, ImportSource& source, std::string& error) {
  source = ImportSource{};
  source.name = path;
  std::string bytes;
  if (!ReadWholeFile(path, bytes, error)) {
    source.fault = InputFault::Unreadable;
    return false;
  }
  if (bytes.size() >= 4 && bytes.compare(0, 2, "PK") == 0) {
    std::string csvName;
    std::string csv;
    if (!ReadArchive(path, bytes, csvName, csv, source.fault, error)) return false;
    source.name = path + " (" + csvName + ")";
    source.archive = true;
    bytes = std::move(csv);
  }

  // Decide the encoding on the first line that is not plain ASCII.
  std::size_t firstHigh = 0;
  while (firstHigh < bytes.size() && static_cast<unsigned char>(bytes[firstHigh]) < 0x80) ++firstHigh;
  if (firstHigh < bytes.size()) {
    std::size_t lineStart = bytes.rfind('\n', firstHigh);
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    std::size_t lineEnd = bytes.find('\n', firstHigh);
    if (lineEnd == std::string::npos) lineEnd = bytes.size();
    source.utf8 = IsValidUtf8(std::string_view(bytes).substr(lineStart, lineEnd - lineStart));
  }
  if (!source.utf8) {
    source.text = std::move(bytes);
    return true;
  }
  std::string_view utf8(bytes);
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);  // a byte order mark
  return ConvertUtf8Csv(utf8, source.name, source.text, error);
}

}  // namespace tanzel
