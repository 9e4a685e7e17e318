#pragma once

// Test helper: a temporary data folder with files the test writes.

#include <QTemporaryDir>

#include <atomic>
#include <map>
#include <string>
#include <string_view>
#include <thread>

// What stands at a data file's name without being a regular file.
// LinkToFifo: a symbolic link to a FIFO named "<name>.fifo" beside it (a stand-in for a link
// to a device, which a test must never risk writing).
enum class NotAFile { Fifo, Folder, LinkToDevZero, LinkToFifo };
#include <vector>

class TempData {
 public:
  TempData() = default;
  // A folder whose path, trailing '/' included, is at least `minFolderLength` bytes long:
  // nested subfolders of the temporary folder.
  explicit TempData(std::size_t minFolderLength);
  bool valid() const { return dir_.isValid() && !sub_.empty(); }

  // The folder as the program keeps it: with its trailing '/'.
  std::string folder() const { return dir_.path().toStdString() + sub_; }

  std::string path(const std::string& name) const { return folder() + name; }

  // Writes an empty KEN and JIG file for every prefecture.
  void writeEmptyPrefectures() const;

  // Writes bytes exactly as given.
  bool write(const std::string& name, std::string_view bytes) const;

  // Puts `kind` in the place of the file `name` (removing the file first).
  bool writeNotAFile(const std::string& name, NotAFile kind) const;

 private:
  QTemporaryDir dir_;
  std::string sub_ = "/";  // from the temporary folder to folder()
};

// A temporary data folder that holds all 94 data files, empty unless the test writes them.
struct EmptyDataFolder {
  TempData dir;
  EmptyDataFolder() { dir.writeEmptyPrefectures(); }
  // The folder (with its trailing '/') as a QString, for command-line arguments.
  QString path() const { return QString::fromStdString(dir.folder()); }
  // Removes the data file `name`, so that it is missing.
  void Remove(const std::string& name) const;
};

// The SHA-256 of the file at `path` in lower-case hex; empty when it cannot be read.
std::string FileSha256(const std::string& path);

// Data file names of a prefecture.
std::string KenName(int pref);
std::string JigName(int pref);

// While it lives, keeps opening the FIFO at `path` for writing and closing it at once: a
// reader that waits in opening the FIFO for a writer is let go and reads an empty pipe. A
// test of a reader that must never wait there then fails instead of hanging.
class FifoKnocker {
 public:
  explicit FifoKnocker(std::string path);
  ~FifoKnocker();
  FifoKnocker(const FifoKnocker&) = delete;
  FifoKnocker& operator=(const FifoKnocker&) = delete;
  // How many times it found a reader (one waiting in opening the FIFO, or holding it open).
  int Knocks() const { return knocks_.load(); }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> knocks_{0};
  std::thread thread_;
};

// The bytes of the file at `path` (links followed); empty when it cannot be read, which
// `found` (when given) tells apart from an empty file.
std::string FileBytes(const std::string& path, bool* found = nullptr);

// The names in `folder` (without "." and ".."), sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

// Every file below `folder` (relative path -> bytes; a symbolic link -> "-> " and its
// target; a folder: its path and '/' -> nothing), to tell that a folder did not change.
std::map<std::string, std::string> FolderSnapshot(const std::string& folder);

// Writes the edition `id` into the data folder `data` (with its trailing '/'), as imports
// lay it out (core/data/Editions.h): editions/<id>/ with KEN13.CSV holding `ken13`, every
// other data file empty, and an EDITION record of `date`. False when it cannot.
bool WriteEdition(const std::string& data, const std::string& id, std::string_view ken13, const std::string& date);

// Puts the edition `id` of `data` in use in one step, as an import does: a new link renamed
// over data/current.
bool UseEdition(const std::string& data, const std::string& id);
