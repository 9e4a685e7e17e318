#include "support/TempData.h"

#include <cstdio>

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
