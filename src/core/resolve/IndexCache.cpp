#include "core/resolve/IndexCache.h"

#include <sys/stat.h>

#include <mutex>

#include "core/data/DataFile.h"

namespace tanzel {

namespace {

// What tells one state of the 94 files from another: their sizes and modification times.
std::string Signature(const std::string& folder) {
  std::string signature = folder;
  char path[FileNameCapacity];
  for (DataKind kind : {DataKind::Ken, DataKind::Jig}) {
    for (int pref = 1; pref <= PrefectureCount; ++pref) {
      struct stat st {};
      if (!DataFileName(path, folder.c_str(), kind, pref) || ::stat(path, &st) != 0) {
        signature += "|-";
        continue;
      }
      signature += '|' + std::to_string(st.st_size) + ':' + std::to_string(st.st_mtim.tv_sec) + '.' +
                   std::to_string(st.st_mtim.tv_nsec) + ':' + std::to_string(st.st_ino);
    }
  }
  return signature;
}

}  // namespace

std::shared_ptr<const AddressIndex> SharedAddressIndex(const std::string& folder, std::string& error) {
  static std::mutex mutex;
  static std::string cachedSignature;
  static std::shared_ptr<const AddressIndex> cached;
  std::string signature = Signature(folder);
  std::lock_guard<std::mutex> lock(mutex);
  if (cached && signature == cachedSignature) return cached;
  std::shared_ptr<const AddressIndex> index = AddressIndex::Build(folder, error);
  if (!index) return nullptr;
  cached = index;
  cachedSignature = std::move(signature);
  return index;
}

}  // namespace tanzel
