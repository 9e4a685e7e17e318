#include "core/update/Download.h"

#include <curl/curl.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

namespace tanzel {

namespace {

// libcurl, loaded at the first download: the window at rest and the programs that never
// download do not pay for it and for the many libraries it brings (TLS, HTTP/2, ...).
struct Curl {
  CURLcode (*globalInit)(long) = nullptr;
  CURL* (*init)() = nullptr;
  CURLcode (*setopt)(CURL*, CURLoption, ...) = nullptr;
  CURLcode (*perform)(CURL*) = nullptr;
  CURLcode (*getinfo)(CURL*, CURLINFO, ...) = nullptr;
  const char* (*strerror)(CURLcode) = nullptr;
  void (*cleanup)(CURL*) = nullptr;
  std::string error;  // why it could not be loaded; empty when it was
};

template <typename F>
void Resolve(void* library, const char* name, F& function, std::string& error) {
  function = reinterpret_cast<F>(::dlsym(library, name));
  if (function == nullptr && error.empty()) error = std::string("libcurl has no ") + name;
}

// Loaded once for the process, thread-safe; never unloaded.
const Curl& LoadCurl() {
  static const Curl curl = [] {
    Curl c;
    void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      const char* why = ::dlerror();
      c.error = std::string("cannot load libcurl: ") + (why ? why : "not found");
      return c;
    }
    Resolve(library, "curl_global_init", c.globalInit, c.error);
    Resolve(library, "curl_easy_init", c.init, c.error);
    Resolve(library, "curl_easy_setopt", c.setopt, c.error);
    Resolve(library, "curl_easy_perform", c.perform, c.error);
    Resolve(library, "curl_easy_getinfo", c.getinfo, c.error);
    Resolve(library, "curl_easy_strerror", c.strerror, c.error);
    Resolve(library, "curl_easy_cleanup", c.cleanup, c.error);
    if (c.error.empty()) c.globalInit(CURL_GLOBAL_DEFAULT);
    return c;
  }();
  return curl;
}

struct Transfer {
  int fd = -1;
  std::string tempPath;
  int writeErrno = 0;
  long long bytes = 0;
  long long maxBytes = 0;
  bool tooLarge = false;
  const DownloadProgress* progress = nullptr;
  const std::atomic<bool>* cancel = nullptr;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  std::size_t total = size * count;
  // Counted as the bytes arrive: a server that announces no length (or a false one) is
  // stopped at the cap all the same.
  if (t->bytes + static_cast<long long>(total) > t->maxBytes) {
    t->tooLarge = true;
    return 0;  // libcurl ends the transfer with CURLE_WRITE_ERROR
  }
  std::size_t done = 0;
  while (done < total) {
    ssize_t n = ::write(t->fd, data + done, total - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      t->writeErrno = n < 0 ? errno : ENOSPC;
      return 0;  // libcurl ends the transfer with CURLE_WRITE_ERROR
    }
    done += static_cast<std::size_t>(n);
  }
  t->bytes += static_cast<long long>(total);
  return total;
}

int Progress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
  auto* t = static_cast<Transfer*>(user);
  if (t->cancel->load()) return 1;  // libcurl ends the transfer with CURLE_ABORTED_BY_CALLBACK
  if (*t->progress) (*t->progress)(static_cast<long long>(now), total > 0 ? static_cast<long long>(total) : -1);
  return 0;
}

struct CurlCleanup {
  void operator()(CURL* c) const { LoadCurl().cleanup(c); }
};

DownloadResult Fail(DownloadResult r, DownloadError error, std::string message) {
  r.error = error;
  r.message = std::move(message);
  return r;
}

DownloadResult WriteFailed(DownloadResult r, int systemError, const std::string& what) {
  r.systemError = systemError;
  return Fail(std::move(r), DownloadError::Write, what + ": " + std::strerror(systemError));
}

// The folder part of a path, with its '/', or "./".
std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// The scheme of an address, lower case ("https"); empty when it has none.
std::string SchemeOf(const std::string& url) {
  std::size_t colon = url.find("://");
  if (colon == std::string::npos) return {};
  std::string scheme = url.substr(0, colon);
  for (char& c : scheme) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return scheme;
}

std::string MegabytesText(long long bytes) {
  return std::to_string(bytes >> 20) + " MB";
}

}  // namespace

bool RedirectAllowed(const std::string& from, const std::string& to) {
  std::string scheme = SchemeOf(to);
  return scheme == "https" || (scheme == SchemeOf(from) && scheme == "http");
}

DownloadResult DownloadFile(const std::string& url, const std::string& target, const DownloadLimits& limits,
                            const DownloadProgress& progress, const std::atomic<bool>& cancel) {
  const Curl& api = LoadCurl();
  DownloadResult result;
  result.url = url;
  Transfer t;
  t.progress = &progress;
  t.cancel = &cancel;
  t.maxBytes = limits.maxBytes;
  if (cancel.load()) return Fail(result, DownloadError::Cancelled, "cancelled");

  std::size_t slash = target.rfind('/');
  t.tempPath = FolderOf(target) + "." + target.substr(slash == std::string::npos ? 0 : slash + 1) + ".part-XXXXXX";
  t.fd = ::mkstemp(t.tempPath.data());
  if (t.fd < 0) return WriteFailed(result, errno, t.tempPath + ": cannot create");
  struct TempFile {
    Transfer& t;
    bool keep = false;
    ~TempFile() {
      if (t.fd >= 0) ::close(t.fd);
      if (!keep) ::unlink(t.tempPath.c_str());
    }
  } temp{t};

  if (!api.error.empty()) return Fail(result, DownloadError::Network, api.error);
  std::unique_ptr<CURL, CurlCleanup> curl(api.init());
  if (!curl) return Fail(result, DownloadError::Network, "cannot start a transfer (libcurl)");
  char errorText[CURL_ERROR_SIZE] = {};
  CURL* c = curl.get();
  api.setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  // Redirects are followed here, one by one, so that each target's scheme is checked and a
  // refused one can be named.
  api.setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
  api.setopt(c, CURLOPT_FAILONERROR, 1L);
  api.setopt(c, CURLOPT_NOSIGNAL, 1L);
  api.setopt(c, CURLOPT_ACCEPT_ENCODING, "");  // whatever this libcurl decodes (gzip, deflate, ...)
  api.setopt(c, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
  api.setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  api.setopt(c, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
  api.setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
  api.setopt(c, CURLOPT_USERAGENT, "tanzel/" TANZEL_VERSION_STRING);
  api.setopt(c, CURLOPT_ERRORBUFFER, errorText);
  api.setopt(c, CURLOPT_WRITEFUNCTION, WriteBody);
  api.setopt(c, CURLOPT_WRITEDATA, &t);
  api.setopt(c, CURLOPT_NOPROGRESS, 0L);
  api.setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
  api.setopt(c, CURLOPT_XFERINFODATA, &t);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.totalSeconds);
  CURLcode code = CURLE_OK;
  for (int hop = 0;; ++hop) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    api.setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<long long>(1, left.count())));
    api.setopt(c, CURLOPT_URL, result.url.c_str());
    errorText[0] = '\0';
    code = api.perform(c);
    api.getinfo(c, CURLINFO_RESPONSE_CODE, &result.httpStatus);
    if (code != CURLE_OK || result.httpStatus < 300 || result.httpStatus > 399) break;
    char* location = nullptr;
    api.getinfo(c, CURLINFO_REDIRECT_URL, &location);
    if (location == nullptr) break;  // a 3xx without a place to go: taken as the answer
    std::string next = location;
    if (!RedirectAllowed(url, next))
      return Fail(result, DownloadError::Network,
                  result.url + ": the server redirected to " + next + ", which is not " +
                      (SchemeOf(url) == "https" ? std::string("https") : std::string("https or http")) +
                      "; not followed");
    if (hop >= limits.maxRedirects)
      return Fail(result, DownloadError::Network,
                  url + ": more than " + std::to_string(limits.maxRedirects) + " redirects (the last to " + next + ")");
    // The body of the redirect itself is not the file.
    if (::ftruncate(t.fd, 0) != 0 || ::lseek(t.fd, 0, SEEK_SET) != 0)
      return WriteFailed(result, errno, t.tempPath + ": cannot write");
    t.bytes = 0;
    result.url = next;
  }
  result.bytes = t.bytes;
  result.tooLarge = t.tooLarge || code == CURLE_FILESIZE_EXCEEDED;
  std::string why = errorText[0] != '\0' ? errorText : api.strerror(code);
  std::string from = result.url == url ? url : url + " (redirected to " + result.url + ")";
  if (result.tooLarge)
    return Fail(result, DownloadError::Server,
                from + ": the file is too large (more than " + MegabytesText(limits.maxBytes) + "); not an archive");
  switch (code) {
    case CURLE_OK:
      break;
    case CURLE_ABORTED_BY_CALLBACK:
      return Fail(result, DownloadError::Cancelled, "cancelled");
    case CURLE_HTTP_RETURNED_ERROR:
      return Fail(result, DownloadError::Server,
                  from + ": the server answered " + std::to_string(result.httpStatus) + " (" + why + ")");
    case CURLE_OPERATION_TIMEDOUT:
      if (std::chrono::steady_clock::now() + std::chrono::seconds(1) >= deadline)
        return Fail(
            result, DownloadError::Network,
            from + ": the download took longer than " + std::to_string(limits.totalSeconds) + " seconds; stopped");
      return Fail(result, DownloadError::Network, from + ": " + why);
    case CURLE_WRITE_ERROR:
      if (t.writeErrno != 0) return WriteFailed(result, t.writeErrno, t.tempPath + ": cannot write");
      [[fallthrough]];
    default:
      result.cutShort = code == CURLE_PARTIAL_FILE;
      return Fail(result, DownloadError::Network, from + ": " + why);
  }
  int fd = t.fd;
  t.fd = -1;
  bool synced = ::fsync(fd) == 0;
  int syncErrno = errno;
  if (::close(fd) != 0 || !synced)
    return WriteFailed(result, synced ? errno : syncErrno, t.tempPath + ": cannot write");
  if (::rename(t.tempPath.c_str(), target.c_str()) != 0) return WriteFailed(result, errno, target + ": cannot write");
  temp.keep = true;
  return result;
}

}  // namespace tanzel
