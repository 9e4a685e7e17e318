#include "core/update/Updater.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "core/update/DataFolders.h"
#include "core/update/Edition.h"

namespace tanzel {

namespace {

// The work folder of one update, removed with everything in it at the end.
class WorkFolder {
 public:
  ~WorkFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  bool Create(std::string parent, std::string& error) {
    if (parent.empty()) {
      const char* tmp = std::getenv("TMPDIR");
      parent = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
    }
    std::string pattern = WithSlash(parent) + "tanzel-update-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      error = pattern + ": cannot create a work folder: " + std::strerror(errno);
      return false;
    }
    path_ = pattern + "/";
    return true;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Creates `folder` and the folders above it that are missing.
bool MakeFolders(const std::string& folder, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    error = folder + ": cannot create the folder: " + ec.message();
    return false;
  }
  return true;
}

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
  bool Check(const std::string& ken, const std::string& jig);
  bool IsInUse(const EditionRecord& edition) const;

  const UpdateOptions& options_;
  UpdateObserver* observer_;
  const std::atomic<bool>& cancel_;
  WorkFolder work_;
  UpdateResult result_;
};

// Downloads the first of `names` that the server has (a later name is tried only when the
// server answers 404 for the earlier one) into the work folder.
bool Update::Download(const std::vector<std::string>& names, int number, std::string& path) {
  DownloadResult r;
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
  }
  switch (r.error) {
    case DownloadError::None:
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

bool Update::IsInUse(const EditionRecord& edition) const {
  if (options_.inUseFolder.empty()) return false;
  std::optional<EditionRecord> inUse = ReadEdition(options_.inUseFolder);
  return inUse && inUse->archives == edition.archives;
}

// The import into the work folder: the archives must import (the importer refuses a
// damaged archive and one that leaves a prefecture without records) and hold about as
// many records as Japan Post's complete archives. Then the comparison with the set in use.
bool Update::Check(const std::string& ken, const std::string& jig) {
  std::string error;
  std::string checked = work_.Path() + "checked";
  ImportSummary summary;
  if (!RunImport({ken, jig, checked}, summary, error)) {
    bool write = error.find("cannot write") != std::string::npos || error.find("cannot create") != std::string::npos;
    return Fail(write ? UpdateFailure::Disk : UpdateFailure::Archive, error);
  }
  auto outside = [](long n, long low, long high) { return n < low || n > high; };
  if (outside(summary.ken.records, options_.minKenRecords, options_.maxKenRecords) ||
      outside(summary.jig.records, options_.minJigRecords, options_.maxJigRecords)) {
    return Fail(UpdateFailure::Archive, "the archives hold " + std::to_string(summary.ken.records) + " addresses and " +
                                            std::to_string(summary.jig.records) +
                                            " offices, not what Japan Post's complete archives hold");
  }
  if (!options_.inUseFolder.empty() && HoldsCompleteSet(options_.inUseFolder)) {
    result_.compared = CompareDataSets(options_.inUseFolder, checked, result_.changes, error);
  }
  return true;
}

UpdateResult Update::Run() {
  result_.targetFolder = WithSlash(options_.targetFolder);
  std::string error;
  if (result_.targetFolder.empty()) {
    Fail(UpdateFailure::Disk, "no folder to write the data into");
    return result_;
  }
  if (!work_.Create(options_.workParent, error)) {
    Fail(UpdateFailure::Disk, error);
    return result_;
  }
  std::string ken, jig;
  if (!Download({"ken_all.zip", "utf_ken_all.zip"}, 1, ken) || !Download({"jigyosyo.zip"}, 2, jig) || Cancelled())
    return result_;

  Tell({UpdateStage::Check, {}, 0, 2, 0, -1});
  EditionRecord edition;
  if (!MakeEdition({ken, jig}, edition, error)) {
    Fail(UpdateFailure::Archive, error);
    return result_;
  }
  result_.date = edition.date;
  if (IsInUse(edition)) {
    result_.status = UpdateStatus::AlreadyCurrent;
    return result_;
  }
  if (!Check(ken, jig) || Cancelled()) return result_;

  Tell({UpdateStage::Import, {}, 0, 2, 0, -1});
  if (!MakeFolders(result_.targetFolder, error)) {
    Fail(UpdateFailure::Disk, error);
    return result_;
  }
  ImportOptions import{ken, jig, result_.targetFolder, {}};
  if (result_.compared)
    import.extraFiles.push_back({kRemovedFileName, FormatRemoved(edition.date, result_.changes.removedCodes)});
  if (!RunImport(import, result_.summary, error)) {
    Fail(UpdateFailure::Disk, error);
    return result_;
  }
  result_.status = UpdateStatus::Updated;
  return result_;
}

}  // namespace

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
