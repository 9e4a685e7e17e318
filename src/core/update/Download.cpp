#include "core/update/Download.h"

#include <curl/curl.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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
  const DownloadProgress* progress = nullptr;
  const std::atomic<bool>* cancel = nullptr;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  std::size_t total = size * count;
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

// The folder part of a path, with its '/', or "./".
std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

}  // namespace

DownloadResult DownloadFile(const std::string& url, const std::string& target, const DownloadLimits& limits,
                            const DownloadProgress& progress, const std::atomic<bool>& cancel) {
  const Curl& api = LoadCurl();
  DownloadResult result;
  Transfer t;
  t.progress = &progress;
  t.cancel = &cancel;
  if (cancel.load()) return Fail(result, DownloadError::Cancelled, "cancelled");

  std::size_t slash = target.rfind('/');
  t.tempPath = FolderOf(target) + "." + target.substr(slash == std::string::npos ? 0 : slash + 1) + ".part-XXXXXX";
  t.fd = ::mkstemp(t.tempPath.data());
  if (t.fd < 0) return Fail(result, DownloadError::Write, t.tempPath + ": cannot create: " + std::strerror(errno));
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
  api.setopt(c, CURLOPT_URL, url.c_str());
  api.setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  api.setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  api.setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  api.setopt(c, CURLOPT_MAXREDIRS, 10L);
  api.setopt(c, CURLOPT_FAILONERROR, 1L);
  api.setopt(c, CURLOPT_NOSIGNAL, 1L);
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

  CURLcode code = api.perform(c);
  api.getinfo(c, CURLINFO_RESPONSE_CODE, &result.httpStatus);
  result.bytes = t.bytes;
  std::string why = errorText[0] != '\0' ? errorText : api.strerror(code);
  switch (code) {
    case CURLE_OK:
      break;
    case CURLE_ABORTED_BY_CALLBACK:
      return Fail(result, DownloadError::Cancelled, "cancelled");
    case CURLE_HTTP_RETURNED_ERROR:
      return Fail(result, DownloadError::Server,
                  url + ": the server answered " + std::to_string(result.httpStatus) + " (" + why + ")");
    case CURLE_WRITE_ERROR:
      if (t.writeErrno != 0)
        return Fail(result, DownloadError::Write, t.tempPath + ": cannot write: " + std::strerror(t.writeErrno));
      [[fallthrough]];
    default:
      return Fail(result, DownloadError::Network, url + ": " + why);
  }
  int fd = t.fd;
  t.fd = -1;
  bool synced = ::fsync(fd) == 0;
  int syncErrno = errno;
  if (::close(fd) != 0 || !synced)
    return Fail(result, DownloadError::Write,
                t.tempPath + ": cannot write: " + std::strerror(synced ? errno : syncErrno));
  if (::rename(t.tempPath.c_str(), target.c_str()) != 0)
    return Fail(result, DownloadError::Write, target + ": cannot write: " + std::strerror(errno));
  temp.keep = true;
  return result;
}

}  // namespace tanzel
