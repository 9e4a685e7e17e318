#include "support/TempData.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

bool TempData::write(const std::string& name, std::string_view bytes) const {
  std::FILE* f = std::fopen(path(name).c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

void TempData::writeEmptyPrefectures() const {
  for (int p = 1; p <= 47; ++p) {
    write(KenName(p), "");
    write(JigName(p), "");
  }
}

std::string KenName(int pref) {
  char name[16];
  std::snprintf(name, sizeof name, "KEN%02d.CSV", pref);
  return name;
}

std::string JigName(int pref) {
  char name[16];
  std::snprintf(name, sizeof name, "JIG%02d.CSV", pref);
  return name;
}

std::map<std::string, std::string> FolderSnapshot(const std::string& folder) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    std::string name = fs::relative(it->path(), folder).string();
    if (it->is_symlink()) {
      files[name] = "-> " + fs::read_symlink(it->path()).string();
    } else if (it->is_regular_file()) {
      std::ifstream in(it->path(), std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      files[name] = bytes.str();
    }
  }
  return files;
}
