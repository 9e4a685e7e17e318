#pragma once

// Downloads one file over HTTP or HTTPS with libcurl: redirects followed (to https, or to
// the scheme of the address given), a gzip- or deflate-encoded response decoded, connect,
// low-speed and overall time-outs, a cap on the bytes written counted as they arrive,
// a progress callback, cancellation. The body goes into a temporary
// file beside the target, which replaces the target only once the transfer is complete;
// on any failure the target is left as it was and the temporary file is removed.

#include <atomic>
#include <functional>
#include <string>

namespace tanzel {

struct DownloadLimits {
  long connectSeconds = 30;        // to establish the connection
  long lowSpeedSeconds = 60;       // the transfer fails when it stays below 1 byte/s this long
  long totalSeconds = 1800;        // the whole transfer, redirects included, fails after this long
  long long maxBytes = 256 << 20;  // larger bodies (once decoded) are refused as soon as they pass it
  int maxRedirects = 10;
};

enum class DownloadError {
  None,
  Network,    // no connection, a time-out, a transfer cut short, a refused protocol
  Server,     // the server answered with an HTTP error status, or with a body over the cap
  Write,      // the file could not be written (a full disk, no permission)
  Cancelled,  // the cancel flag was set
};

struct DownloadResult {
  DownloadError error = DownloadError::None;
  long httpStatus = 0;    // the last response's status, 0 when none came
  long long bytes = 0;    // body bytes received
  std::string message;    // one line saying what went wrong (names the URL or the file)
  std::string url;        // where the body came from: the address given, or where it redirected to
  bool tooLarge = false;  // the body passed limits.maxBytes (DownloadError::Server)
  bool cutShort = false;  // the connection ended before the whole body came (DownloadError::Network)
  int systemError = 0;    // DownloadError::Write: the system's error number (ENOSPC ..)
};

// Called during the transfer with the body bytes received so far and the total the
// server announced (-1 when it announced none).
using DownloadProgress = std::function<void(long long done, long long total)>;

// Whether a download of `from` follows a redirect to `to`: to https, or from http to http.
bool RedirectAllowed(const std::string& from, const std::string& to);

// Fetches `url` into the file `target`. Only http:// and https:// addresses are fetched; a
// redirect is followed only to https:// or to the scheme of `url` (an https download never
// goes on over http), and a refused one names where it pointed. `progress` (may be empty) and the cancel check run on
// the calling thread, at least about once a second while the transfer waits; setting `cancel` ends the transfer with
// DownloadError::Cancelled. Thread-safe: any number may run at once.
DownloadResult DownloadFile(const std::string& url, const std::string& target, const DownloadLimits& limits,
                            const DownloadProgress& progress, const std::atomic<bool>& cancel);

}  // namespace tanzel
