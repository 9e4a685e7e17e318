#include "core/update/Updater.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "core/data/DataFolders.h"
#include "core/data/DataSet.h"
#include "core/data/Editions.h"
#include "core/import/ArchiveSums.h"

namespace tanzel {

namespace {

// The work folder of one update, D/editions/.update-XXXXXX: on the data folder's file
// system, held with flock() while the update runs, so that an import meanwhile leaves it
// alone (EditionWriter removes only what nobody holds), and removed with everything in it
// at the end, together with the folders the update had to create for it.
class WorkFolder {
 public:
  WorkFolder() = default;
  ~WorkFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    if (lock_ >= 0) ::close(lock_);
    for (auto made = made_.rbegin(); made != made_.rend(); ++made) ::rmdir(made->c_str());  // when empty
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  // False with `error` on failure; `busy` tells that another update or import holds the folder.
  bool Create(const std::string& dataFolder, bool& busy, std::string& error) {
    std::string editions = dataFolder + kEditionsFolder;
    for (const std::string& folder : {dataFolder, editions}) {
      std::error_code ec;
      bool created = std::filesystem::create_directories(folder, ec);
      if (ec) {
        error = folder + ": cannot create the folder: " + ec.message();
        return false;
      }
      if (created) made_.push_back(folder);
    }
    // What killed updates and imports left goes first, under the import lock.
    std::vector<std::string> leftAlone;
    if (!TidyDataFolder(dataFolder, leftAlone, error)) {
      busy = error.find(kAnotherImportRunning) != std::string::npos;
      return false;
    }
    // An import that cleans up between making the folder and flock may remove it: then
    // another one is made.
    for (int attempt = 0; attempt < 10; ++attempt) {
      std::string folder = MakeOwnFolder(editions, ".update-", error);
      if (folder.empty()) return false;
      int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      struct stat held {
      }, named{};
      bool mine = fd >= 0 && ::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &held) == 0 &&
                  ::lstat(folder.c_str(), &named) == 0 && held.st_ino == named.st_ino;
      if (mine) {
        lock_ = fd;
        path_ = folder + "/";
        return true;
      }
      if (fd >= 0) ::close(fd);
    }
    error = editions + ": cannot keep a work folder there";
    return false;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  int lock_ = -1;
  std::vector<std::string> made_;
};

class Update {
 public:
  Update(const UpdateOptions& options, UpdateObserver* observer, const std::atomic<bool>& cancel)
      : options_(options), observer_(observer), cancel_(cancel) {}

  UpdateResult Run();

 private:
  bool Fail(UpdateFailure failure, std::string message) {
    result_.status = UpdateStatus::Failed;
    result_.failure = failure;
    result_.message = std::move(message);
    return false;
  }
  bool Cancelled() {
    if (!cancel_.load()) return false;
    result_.status = UpdateStatus::Cancelled;
    return true;
  }
  void Tell(UpdateProgress progress) {
    if (observer_ != nullptr) observer_->Progress(progress);
  }
  bool Download(const std::vector<std::string>& names, int number, std::string& path);
  bool IsInUse(const EditionRecord& edition);
  bool Import(const std::string& ken, const std::string& jig);
  bool BeforeCommit(const ImportSummary& summary, const std::string& staged, ExtraFiles& more, std::string& error);

  const UpdateOptions& options_;
  UpdateObserver* observer_;
  const std::atomic<bool>& cancel_;
  WorkFolder work_;
  UpdateResult result_;
  bool refused_ = false;  // BeforeCommit refused the new edition (and said why)
};

// Downloads the first of `names` that the server has (a later name is tried only when the
// server answers 404 for the earlier one) into the work folder.
bool Update::Download(const std::vector<std::string>& names, int number, std::string& path) {
  DownloadResult r, first;
  for (const std::string& name : names) {
    path = work_.Path() + name;
    UpdateProgress progress{UpdateStage::Download, name, number, 2, 0, -1};
    Tell(progress);
    r = DownloadFile(
        ArchiveUrl(options_.baseUrl, name), path, options_.limits,
        [&](long long done, long long total) {
          progress.done = done;
          progress.total = total;
          Tell(progress);
        },
        cancel_);
    if (r.error != DownloadError::Server || r.httpStatus != 404) break;
    if (first.message.empty()) {
      first = r;
      result_.file = name;
    } else {
      // The first name is the one the user looks for: its answer is the one to tell.
      first.message += " (" + name + " too)";
      r = first;
    }
  }
  if (r.error != DownloadError::Server || r.httpStatus != 404) result_.file = path.substr(work_.Path().size());
  result_.httpStatus = r.httpStatus;
  switch (r.error) {
    case DownloadError::None:
      if (r.url != ArchiveUrl(options_.baseUrl, path.substr(work_.Path().size())))
        result_.notes.push_back(path.substr(work_.Path().size()) + ": redirected to " + r.url);
      return true;
    case DownloadError::Cancelled:
      result_.status = UpdateStatus::Cancelled;
      return false;
    case DownloadError::Server:
      return Fail(UpdateFailure::Server, r.message);
    case DownloadError::Write:
      return Fail(UpdateFailure::Disk, r.message);
    default:
      return Fail(UpdateFailure::Network, r.message);
  }
}

bool Update::IsInUse(const EditionRecord& edition) {
  if (options_.inUseFolder.empty()) return false;
  std::optional<EditionRecord> inUse = DataSet::Open(options_.inUseFolder)->Edition();
  if (inUse) result_.inUseDate = inUse->date;
  // The archives' sums decide, not their dates: archives of the same date may differ.
  return inUse && inUse->archives == edition.archives;
}

// Runs inside the import, with every new file written: the record counts of Japan Post's
// complete archives, then the comparison with the edition in use, whose removed codes go
// into the new edition. When the update writes into the folder in use, that edition is
// the one the import is about to replace (no other import can run meanwhile), so the
// changes are those between D/previous and D/current once it is done.
bool Update::BeforeCommit(const ImportSummary& summary, const std::string& staged, ExtraFiles& more,
                          std::string& error) {
  auto outside = [](long n, long low, long high) { return n < low || n > high; };
  if (outside(summary.ken.records, options_.minKenRecords, options_.maxKenRecords) ||
      outside(summary.jig.records, options_.minJigRecords, options_.maxJigRecords)) {
    refused_ = true;
    error = "the archives hold " + std::to_string(summary.ken.records) + " addresses and " +
            std::to_string(summary.jig.records) + " offices, not what Japan Post's complete archives hold";
    return Fail(UpdateFailure::Archive, error);
  }
  if (!options_.inUseFolder.empty()) {
    const std::string inUse = DataSet::Open(options_.inUseFolder)->EditionFolder();
    std::string ignored;
    result_.compared = HoldsCompleteSet(inUse) && CompareDataSets(inUse, staged, result_.changes, ignored);
  }
  if (Cancelled()) {
    refused_ = true;
    error = "cancelled";
    return false;
  }
  static const std::vector<std::string> kNone;
  more.push_back(
      {kRemovedFileName, FormatRemoved(summary.editionDate, result_.compared ? result_.changes.removedCodes : kNone)});
  Tell({UpdateStage::Import, {}, 0, 2, 0, -1});
  return true;
}

bool Update::Import(const std::string& ken, const std::string& jig) {
  ImportOptions import{ken, jig, result_.targetFolder};
  import.partial = true;  // BeforeCommit checks the record counts against the update's own limits
  import.atCommitStep = options_.atCommitStep;
  import.beforeCommit = [this](const ImportSummary& summary, const std::string& staged, ExtraFiles& more,
                               std::string& error) {
    return BeforeCommit(summary, staged, more, error);
};
std::string error;
if (RunImport(import, result_.summary, error)) return true;
if (refused_) return false;
if (error.find(kAnotherImportRunning) != std::string::npos) return Fail(UpdateFailure::Busy, error);
// Archives that were read whole failed in the writing.
bool read = result_.summary.ken.done && result_.summary.jig.done;
return Fail(read ? UpdateFailure::Disk : UpdateFailure::Archive, error);
}  // namespace

UpdateResult Update::Run() {
  result_.targetFolder = WithSlash(options_.targetFolder);
  std::string error;
  if (result_.targetFolder.empty()) {
    Fail(UpdateFailure::Disk, "no folder to write the data into");
    return result_;
  }
  bool busy = false;
  if (!work_.Create(result_.targetFolder, busy, error)) {
    Fail(busy ? UpdateFailure::Busy : UpdateFailure::Disk, error);
    return result_;
  }
  std::string ken, jig;
  if (!Download({"ken_all.zip", "utf_ken_all.zip"}, 1, ken) || !Download({"jigyosyo.zip"}, 2, jig) || Cancelled())
    return result_;

  Tell({UpdateStage::Check, {}, 0, 2, 0, -1});
  EditionRecord edition;
  if (!MakeEdition({ken, jig}, edition, error)) {
    result_.file = error.find(jig) == 0 ? "jigyosyo.zip" : ken.substr(ken.rfind('/') + 1);
    Fail(UpdateFailure::Archive, error);
    return result_;
  }
  result_.date = edition.date;
  if (IsInUse(edition)) {
    result_.status = UpdateStatus::AlreadyCurrent;
    return result_;
  }
  // Dates YYYY-MM-DD order as text.
  if (!result_.inUseDate.empty() && edition.date < result_.inUseDate) {
    if (!options_.allowOlder) {
      Fail(UpdateFailure::Older, "the archives are of " + edition.date + ", older than the data in use (of " +
                                     result_.inUseDate + "); not imported");
      return result_;
    }
    if (!options_.allowOlder(result_.inUseDate, edition.date)) {
      result_.status = UpdateStatus::Cancelled;
      return result_;
    }
  }
  if (Cancelled() || !Import(ken, jig)) return result_;
  result_.status = UpdateStatus::Updated;
  return result_;
}

}  // namespace tanzel

std::string UpdateBaseUrl() {
  const char* base = std::getenv(kBaseUrlVariable);
  return base != nullptr ? base : "";
}

std::string ArchiveUrl(const std::string& base, const std::string& name) {
  if (base.empty()) {
    if (name == "utf_ken_all.zip") return kJapanPostUtfKenAllUrl;
    if (name == "jigyosyo.zip") return kJapanPostJigyosyoUrl;
    return kJapanPostKenAllUrl;
  }
  std::string url = base;
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url + "/" + name;
}

UpdateResult RunUpdate(const UpdateOptions& options, UpdateObserver* observer, const std::atomic<bool>& cancel) {
  try {
    return Update(options, observer, cancel).Run();
  } catch (const std::exception& e) {
    UpdateResult result;
    result.failure = UpdateFailure::Disk;
    result.message = e.what();
    return result;
  }
}

}  // namespace tanzel
