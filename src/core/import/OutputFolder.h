#pragma once

// All-or-nothing replacement of the data files in a folder: the new files are written into
// a staging folder beside it and moved into place only when every one is complete. The
// files are not synced to disk one by one (that would triple the import time); a crash of
// the machine itself is left to the file system, which flushes data that a rename replaces.

#include <string>
#include <string_view>
#include <vector>

namespace tanzel {

class OutputFolder {
 public:
  OutputFolder() = default;
  // Removes the staging folder and what it holds unless Commit() succeeded.
  ~OutputFolder();
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  // Creates `dir` when it is missing (its parent must exist) and a fresh staging folder
  // beside it (inside it when its parent is not writable).
  bool Begin(const std::string& dir, std::string& error);
  // Writes one complete file into the staging folder.
  bool Write(const std::string& name, std::string_view bytes, std::string& error);
  // Moves every written file into the folder, replacing the old ones. When a move fails,
  // the files already moved are put back as they were.
  bool Commit(std::string& error);

  const std::string& Folder() const { return dir_; }
  const std::string& StagingFolder() const { return staging_; }

 private:
  void RemoveStaging();

  std::string dir_;
  std::string staging_;
  std::vector<std::string> names_;
  std::vector<std::string> backups_;
};

}  // namespace tanzel
