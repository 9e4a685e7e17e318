#include "core/update/Updater.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
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
        systemError_ = ec.value();
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
      if (folder.empty()) {
        systemError_ = errno;
        return false;
      }
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
  // After Create failed: the system's error number, when one is known.
  int SystemError() const { return systemError_; }

 private:
  std::string path_;
  int systemError_ = 0;
  int lock_ = -1;
  std::vector<std::string> made_;
};

std::string BaseName(const std::string& path) {
  return path.substr(path.rfind('/') + 1);
}

// What a failed write says of the file system.
UpdateProblem DiskProblem(int systemError) {
  switch (systemError) {
    case ENOSPC:
    case EDQUOT:
      return UpdateProblem::NoSpace;
    case EACCES:
    case EPERM:
    case EROFS:
      return UpdateProblem::NoPermission;
    default:
      return UpdateProblem::WriteError;
  }
}

UpdateProblem ArchiveProblem(InputFault fault) {
  switch (fault) {
    case InputFault::Damaged:
      return UpdateProblem::Truncated;
    case InputFault::NotArchive:
      return UpdateProblem::NotAnArchive;
    default:
      return UpdateProblem::WrongContents;
  }
}

// Whether the two archives are of one kind: the addresses (ken_all.zip, utf_ken_all.zip) or
// the offices.
bool SameKind(const std::string& a, const std::string& b) {
  auto addresses = [](const std::string& name) { return name.find("ken_all") != std::string::npos; };
  return addresses(a) == addresses(b);
}

class Update {
 public:
  Update(const UpdateOptions& options, UpdateObserver* observer, const std::atomic<bool>& cancel)
      : options_(options), observer_(observer), cancel_(cancel) {}

  UpdateResult Run();

 private:
  // The message names a downloaded archive by its name alone: the work folder is gone by the
  // time anyone reads it.
  bool Fail(UpdateFailure failure, UpdateProblem problem, std::string message) {
    result_.status = UpdateStatus::Failed;
    result_.failure = failure;
    result_.problem = problem;
    const std::string& work = work_.Path();
    for (std::size_t at; !work.empty() && (at = message.find(work)) != std::string::npos;)
      message.erase(at, work.size());
    result_.message = std::move(message);
    return false;
  }
  bool Fail(UpdateFailure failure, std::string message) {
    return Fail(failure, UpdateProblem::None, std::move(message));
  }
  // Names the downloaded archive `path` as the one a failure concerns.
  void Concerns(const std::string& path) {
    result_.file = BaseName(path);
    auto url = urls_.find(result_.file);
    result_.url = url != urls_.end() ? url->second : ArchiveUrl(options_.baseUrl, result_.file);
    struct stat st {};
    result_.bytes = ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
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
  bool Measure(const std::vector<std::string>& paths, EditionRecord& edition);
  bool IsInUse(const EditionRecord& edition);
  bool RefuseOlder(const EditionRecord& edition);
  bool Import(const std::string& ken, const std::string& jig);
  bool BeforeCommit(const ImportSummary& summary, const std::string& staged, ExtraFiles& more, std::string& error);

  const UpdateOptions& options_;
  UpdateObserver* observer_;
  const std::atomic<bool>& cancel_;
  WorkFolder work_;
  UpdateResult result_;
  std::optional<EditionRecord> inUse_;       // the record of the edition in use, when it has one
  std::map<std::string, std::string> urls_;  // archive name -> where it came from
  std::string kenPath_, jigPath_;            // the downloaded archives
  bool refused_ = false;                     // BeforeCommit refused the new edition (and said why)
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
    } else {
      // The first name is the one the user looks for: its answer is the one to tell.
      first.message += " (" + name + " too)";
      r = first;
    }
  }
  if (r.error == DownloadError::None) {
    urls_[BaseName(path)] = r.url;
    if (r.url != ArchiveUrl(options_.baseUrl, BaseName(path)))
      result_.notes.push_back(BaseName(path) + ": redirected to " + r.url);
    return true;
  }
  result_.file = r.error == DownloadError::Server && r.httpStatus == 404 ? names.front() : BaseName(path);
  result_.httpStatus = r.httpStatus;
  result_.url = r.url;
  result_.bytes = r.bytes;
  switch (r.error) {
    case DownloadError::Cancelled:
      result_.status = UpdateStatus::Cancelled;
      return false;
    case DownloadError::Server:
      return Fail(UpdateFailure::Server,
                  r.tooLarge            ? UpdateProblem::TooLarge
                  : r.httpStatus == 404 ? UpdateProblem::NotFound
                                        : UpdateProblem::ServerError,
                  r.message);
    case DownloadError::Write:
      return Fail(UpdateFailure::Disk, DiskProblem(r.systemError), r.message);
    default:
      return Fail(UpdateFailure::Network, r.cutShort ? UpdateProblem::CutShort : UpdateProblem::NoConnection,
                  r.message);
  }
}

// The date and sums of the downloaded archives, measured one by one so that a failure names
// its archive.
bool Update::Measure(const std::vector<std::string>& paths, EditionRecord& edition) {
  edition = EditionRecord{};
  for (const std::string& path : paths) {
    EditionRecord one;
    std::string error;
    if (!MakeEdition({path}, one, error)) {
      Concerns(path);
      // An archive that cannot be read was written badly; one without a CSV entry is none of Japan Post's.
      bool read = one.archives.size() == 1;
      return Fail(read ? UpdateFailure::Archive : UpdateFailure::Disk,
                  read ? UpdateProblem::NotAnArchive : UpdateProblem::WriteError, BaseName(path) + ": " + error);
    }
    edition.date = std::max(edition.date, one.date);
    edition.archives.push_back(std::move(one.archives[0]));
  }
  return true;
}

bool Update::IsInUse(const EditionRecord& edition) {
  if (!options_.inUse) return false;
  inUse_ = options_.inUse()->Edition();
  if (!inUse_) return false;
  result_.inUseDate = inUse_->date;
  // The archives' sums decide, not their dates: archives of the same date may differ.
  auto same = [](const ArchiveSum& a, const ArchiveSum& b) { return a.sha256 == b.sha256 && a.name == b.name; };
  return std::equal(inUse_->archives.begin(), inUse_->archives.end(), edition.archives.begin(), edition.archives.end(),
                    same);
}

// Each archive against the one of its kind in use: one that differs from it and is dated
// earlier is older data, refused unless going back is allowed. The one in use is dated by
// its own date, or, in a record of an older import that keeps none, by the edition's; an
// archive with nothing of its kind in use is compared with the edition's date.
bool Update::RefuseOlder(const EditionRecord& edition) {
  if (!inUse_) return false;
  for (const ArchiveSum& archive : edition.archives) {
    auto inUse = std::find_if(inUse_->archives.begin(), inUse_->archives.end(),
                              [&](const ArchiveSum& a) { return SameKind(a.name, archive.name); });
    if (inUse != inUse_->archives.end() && inUse->sha256 == archive.sha256) continue;
    std::string inUseDate = inUse != inUse_->archives.end() && !inUse->date.empty() ? inUse->date : inUse_->date;
    // Dates YYYY-MM-DD order as text.
    if (archive.date.empty() || archive.date >= inUseDate) continue;
    if (options_.allowOlder) {
      if (options_.allowOlder(archive.name, inUseDate, archive.date)) return false;
      result_.status = UpdateStatus::Cancelled;
      return true;
    }
    Concerns(work_.Path() + archive.name);
    result_.date = archive.date;
    result_.inUseDate = inUseDate;
    return !Fail(UpdateFailure::Older, archive.name + " is of " + archive.date + ", older than the one in use (of " +
                                           inUseDate + "); not imported");
  }
  return false;
}

// Runs inside the import, with every new file written: the record counts of Japan Post's
// complete archives, then the comparison with the edition in use, whose removed codes go
// into the new edition. When the update writes into the folder in use, that edition is
// the one the import is about to replace (no other import can run meanwhile), so the
// changes are those between D/previous and D/current once it is done.
bool Update::BeforeCommit(const ImportSummary& summary, const std::string& staged, ExtraFiles& more,
                          std::string& error) {
  auto outside = [](long n, long low, long high) { return n < low || n > high; };
  bool kenOutside = outside(summary.ken.records, options_.minKenRecords, options_.maxKenRecords);
  if (kenOutside || outside(summary.jig.records, options_.minJigRecords, options_.maxJigRecords)) {
    refused_ = true;
    Concerns(kenOutside ? kenPath_ : jigPath_);
    error = "the archives hold " + std::to_string(summary.ken.records) + " addresses and " +
            std::to_string(summary.jig.records) + " offices, not what Japan Post's complete archives hold";
    return Fail(UpdateFailure::Archive, UpdateProblem::WrongCounts, error);
  }
  if (options_.inUse) {
    const std::string inUse = options_.inUse()->EditionFolder();
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
// The import says which input it failed on; archives that were read whole failed in the writing.
for (const auto& [side, path] : {std::pair{&result_.summary.ken, &ken}, std::pair{&result_.summary.jig, &jig}}) {
  if (side->fault == InputFault::None) continue;
  Concerns(*path);
  if (side->fault == InputFault::Unreadable) return Fail(UpdateFailure::Disk, UpdateProblem::WriteError, error);
  return Fail(UpdateFailure::Archive, ArchiveProblem(side->fault), error);
}
return Fail(UpdateFailure::Disk, DiskProblem(result_.summary.systemError), error);
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
    Fail(busy ? UpdateFailure::Busy : UpdateFailure::Disk,
         busy ? UpdateProblem::None : DiskProblem(work_.SystemError()), error);
    return result_;
  }
  std::string ken, jig;
  if (!Download({"ken_all.zip", "utf_ken_all.zip"}, 1, ken) || !Download({"jigyosyo.zip"}, 2, jig) || Cancelled())
    return result_;

  Tell({UpdateStage::Check, {}, 0, 2, 0, -1});
  EditionRecord edition;
  kenPath_ = ken;
  jigPath_ = jig;
  if (!Measure({ken, jig}, edition)) return result_;
  result_.date = edition.date;
  if (IsInUse(edition)) {
    result_.status = UpdateStatus::AlreadyCurrent;
    return result_;
  }
  if (RefuseOlder(edition) || Cancelled() || !Import(ken, jig)) return result_;
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
