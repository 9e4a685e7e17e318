#pragma once

// An update of the postal data from Japan Post's archives: download both archives, check
// them, import them all at once, and tell what changed. The window's "データ更新…" and
// `tanzel-import --download` both run RunUpdate.
//
// The archives are downloaded into a work folder inside the target data folder,
// D/editions/.update-XXXXXX (on the data's file system; held while the update runs and
// removed at its end). Every update first removes, under the folder's import lock, what
// killed updates and imports left there (TidyDataFolder), and fails at once when another
// update or import into the folder is running. Then one
// import (RunImport) reads them, which refuses a damaged archive or one that leaves a
// prefecture empty, and writes the new edition; before it is put in use the update checks
// its record counts, compares it with the edition in use and adds the list of the codes
// that went away (REMOVED) to it. Whatever fails (no connection, an error status, a cut-off
// or wrong archive, a full disk, a cancel, a kill), the edition in use stays in use,
// byte-identical: the new one replaces it in one step or not at all.

#include <atomic>
#include <functional>
#include <string>

#include <vector>

#include "core/data/DataSet.h"
#include "core/import/Importer.h"
#include "core/update/DataChanges.h"
#include "core/update/Download.h"

namespace tanzel {

// Japan Post's download addresses, used when no base address is set.
inline constexpr const char* kJapanPostKenAllUrl =
    "https://www.post.japanpost.jp/service/search/zipcode/download/kogaki/zip/ken_all.zip";
inline constexpr const char* kJapanPostUtfKenAllUrl =
    "https://www.post.japanpost.jp/service/search/zipcode/download/utf/zip/utf_ken_all.zip";
inline constexpr const char* kJapanPostJigyosyoUrl =
    "https://www.post.japanpost.jp/service/search/zipcode/download/office/zip/jigyosyo.zip";

// The environment variable that names a base address for the archives.
inline constexpr const char* kBaseUrlVariable = "TANZEL_JAPANPOST_URL";

// The base address from the environment (kBaseUrlVariable); empty when it is not set.
std::string UpdateBaseUrl();

// The address of the archive `name` (ken_all.zip, utf_ken_all.zip, jigyosyo.zip): `base`
// + "/" + name, or Japan Post's own address when `base` is empty.
std::string ArchiveUrl(const std::string& base, const std::string& name);

enum class UpdateStage { Download, Check, Import };

struct UpdateProgress {
  UpdateStage stage = UpdateStage::Download;
  // Download only: the archive's file name, its place among the archives (1 ...), and the
  // bytes received of it out of the total the server announced (-1: none announced).
  std::string file;
  int fileNumber = 0;
  int fileCount = 2;
  long long done = 0;
  long long total = -1;
};

// Receives the progress of an update, on the thread that runs it.
class UpdateObserver {
 public:
  virtual ~UpdateObserver() = default;
  virtual void Progress(const UpdateProgress& progress) = 0;
};

enum class UpdateStatus {
  Updated,         // the new set is in the target folder
  AlreadyCurrent,  // the archives are those of the set in use: nothing was imported
  Cancelled,
  Failed,
};

enum class UpdateFailure {
  None,
  Network,  // no connection, a time-out, a download cut short
  Server,   // the server answered with an error status
  Archive,  // an archive that cannot be read or fails the checks
  Disk,     // a file that cannot be written (a full disk, no permission)
  Busy,     // another update or import into the folder is running
  Older,    // the archives are older than the data in use, and going back was not allowed
};

// What was wrong, in more detail than UpdateFailure: enough for a message that says it in
// the user's words without reading the technical one.
enum class UpdateProblem {
  None,
  NoConnection,   // Network: no connection, a time-out, a redirect not followed
  CutShort,       // Network: the connection ended before the whole archive came
  NotFound,       // Server: the server has no such file (404)
  ServerError,    // Server: another error status
  TooLarge,       // Server: a body larger than the limit
  Truncated,      // Archive: a zip archive cut short or damaged
  NotAnArchive,   // Archive: no zip archive at all (a web page, another file)
  WrongContents,  // Archive: an archive whose CSV is not Japan Post's data of its kind
  WrongCounts,    // Archive: far fewer or more records than Japan Post's complete archives
  NoSpace,        // Disk: the disk (or the user's quota) is full
  NoPermission,   // Disk: the folder may not be written
  WriteError,     // Disk: another error of the file system
};

struct UpdateOptions {
  std::string baseUrl;       // see ArchiveUrl
  std::string targetFolder;  // the data folder the new set goes into (created when missing)
  // The data the program reads now, asked on the thread that runs the update when the
  // archives are in and again before the import commits: the new set is compared with it,
  // and archives equal to those its EDITION lists are not imported again. May be empty.
  DataSource inUse;
  DownloadLimits limits;
  // The check beyond what every import checks: record counts in these ranges.
  long minKenRecords = 50000;
  long maxKenRecords = 500000;
  long minJigRecords = 5000;
  long maxJigRecords = 100000;
  // Asked, on the thread that runs the update, when an archive is older than the one of
  // its kind in use (the first such archive, its date and that of the one in use, both
  // YYYY-MM-DD): true goes back to the archives. Empty: refused (UpdateFailure::Older).
  std::function<bool(const std::string& file, const std::string& inUseDate, const std::string& newDate)> allowOlder =
      {};
  CommitStepHook atCommitStep = {};  // test hook (core/import/EditionWriter.h)
};

struct UpdateResult {
  UpdateStatus status = UpdateStatus::Failed;
  UpdateFailure failure = UpdateFailure::None;
  // Failed: one line saying what went wrong (technical, in English; names the archive by its
  // name, never by the work folder it was downloaded into).
  std::string message;
  UpdateProblem problem = UpdateProblem::None;  // Failed: what was wrong, when known
  std::string file;                             // Failed: the archive it concerns (ken_all.zip ..), when one
  std::string url;                              // Failed: where that archive was fetched from
  long long bytes = -1;                         // Failed: the bytes of that archive received (-1: unknown)
  long httpStatus = 0;                          // Failed with UpdateFailure::Server: the answer (0: a body too large)
  // The date of the edition in use (YYYY-MM-DD), when it has one; with UpdateFailure::Older
  // the date of the archive in use that `file` would have replaced.
  std::string inUseDate;
  // The archives' edition date (YYYY-MM-DD), once they are measured; with
  // UpdateFailure::Older the date of `file`.
  std::string date;
  std::vector<std::string> notes;  // what the user should hear of a download: where it was redirected
  std::string targetFolder;        // with its trailing '/'
  bool compared = false;           // `changes` holds the comparison with the edition in use before
  DataChanges changes;
  ImportSummary summary;  // Updated: the final import's summary
};

// Runs an update. `observer` (may be null) hears of every stage and of the bytes
// received. Setting `cancel` stops the update at its next step (within about a second
// while downloading), up to the moment the new edition is put in use. Every update writes
// EDITION and REMOVED (the removed codes; only its date line when there was nothing to
// compare with) into the new edition. Returns what happened; never throws.
UpdateResult RunUpdate(const UpdateOptions& options, UpdateObserver* observer, const std::atomic<bool>& cancel);

}  // namespace tanzel
