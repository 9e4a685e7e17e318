#include "support/TempData.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
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

std::string FileBytes(const std::string& path, bool* found) {
  std::ifstream in(path, std::ios::binary);
  if (found) *found = in.good();
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}
