#pragma once

// Test helper: a temporary data folder with files the test writes.

#include <QTemporaryDir>

#include <map>
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
  bool write(const std::string& name, std::string_view bytes) const;

 private:
  QTemporaryDir dir_;
};

// Data file names of a prefecture.
std::string KenName(int pref);
std::string JigName(int pref);

// Every file below `folder` (relative path -> bytes; a symbolic link -> "-> " and its
// target), to tell that a folder did not change.
std::map<std::string, std::string> FolderSnapshot(const std::string& folder);
