#include "core/data/DataFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "core/data/DataFile.h"
#include "core/data/EditionRecord.h"
#include "core/data/Editions.h"

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
  // Only the two EDITION records are read to choose: the set chosen is opened once, by the
  // caller (DataSet::OpenInUse).
  const std::string userEdition = ResolveEditionFolder(user);
  const std::optional<EditionRecord> userRecord = ReadEdition(userEdition);
  if (!userRecord) return program;
  const std::optional<EditionRecord> programRecord = ReadEdition(ResolveEditionFolder(program));
  if (programRecord && programRecord->date >= userRecord->date) return program;
  return HoldsCompleteSet(userEdition) ? user : program;
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
