#pragma once

// Test helper: a temporary data folder with files the test writes.

#include <QTemporaryDir>

#include <cstdio>
#include <string>
#include <string_view>

class TempData {
 public:
  TempData() = default;
  bool valid() const { return dir_.isValid(); }

  // The folder as the program keeps it: with its trailing '/'.
  std::string folder() const { return dir_.path().toStdString() + "/"; }

  std::string path(const std::string& name) const { return folder() + name; }

  // Writes an empty KEN and JIG file for every prefecture.
  void writeEmptyPrefectures() const;

  // Writes bytes exactly as given.
  bool write(const std::string& name, std::string_view bytes) const {
    std::FILE* f = std::fopen(path(name).c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
  }

 private:
  QTemporaryDir dir_;
};

// Data file names of a prefecture.
inline std::string KenName(int pref) {
  char name[16];
  std::snprintf(name, sizeof name, "KEN%02d.CSV", pref);
  return name;
}
inline std::string JigName(int pref) {
  char name[16];
  std::snprintf(name, sizeof name, "JIG%02d.CSV", pref);
  return name;
}

inline void TempData::writeEmptyPrefectures() const {
  for (int p = 1; p <= 47; ++p) {
    write(KenName(p), "");
    write(JigName(p), "");
  }
}
