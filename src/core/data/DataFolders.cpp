#include "core/data/DataFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "core/data/DataFile.h"
#include "core/data/DataSet.h"
#include "core/data/EditionRecord.h"

namespace tanzel {

std::string WithSlash(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string UserDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return WithSlash(xdg) + "tanzel/";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return WithSlash(home) + ".local/share/tanzel/";
  return {};
}

bool HoldsCompleteSet(const std::string& edition) {
  if (edition.empty()) return false;
  std::string folder = WithSlash(edition);
  for (DataKind kind : {DataKind::Ken, DataKind::Jig}) {
    for (int p = 1; p <= PrefectureCount; ++p) {
      struct stat st {};
      if (::stat((folder + DataFileBaseName(kind, p)).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    }
  }
  return true;
}

std::string ChooseDataFolder(const std::string& programFolder) {
  std::string program = WithSlash(programFolder);
  std::string user = UserDataFolder();
  if (user.empty() || user == program) return program;
  std::shared_ptr<const DataSet> userSet = DataSet::Open(user);
  const std::optional<EditionRecord>& userRecord = userSet->Edition();
  if (!userRecord) return program;
  std::shared_ptr<const DataSet> programSet = DataSet::Open(program);
  const std::optional<EditionRecord>& programRecord = programSet->Edition();
  if (programRecord && programRecord->date >= userRecord->date) return program;
  return HoldsCompleteSet(userSet->EditionFolder()) ? user : program;
}

const char* PackagedMarker() {
  return "PACKAGED";
}

std::string UpdateTargetFolder(const std::string& programFolder) {
  std::string program = WithSlash(programFolder);
  if (program.empty() || ::access(program.c_str(), W_OK) != 0) return UserDataFolder();
  if (::access((program + PackagedMarker()).c_str(), F_OK) == 0) return UserDataFolder();
  return program;
}

}  // namespace tanzel
