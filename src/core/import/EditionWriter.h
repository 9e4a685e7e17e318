#pragma once

// Writes a new edition of the data files into a data folder and puts it in use in one step
// (the layout is described in core/data/Editions.h).
//
// Begin() takes the folder's import lock, removes what earlier imports left (edition folders
// neither `current` nor `previous` names, staging folders and temporary links of a killed
// import, work folders of a killed update; but no folder in D/editions that a running
// process holds with flock(), such as an update's work folder) and makes a staging folder D/editions/.staging-XXXXXX,
// inside the data folder, so that everything moves by renaming even when D is a mount point of its own. Write() and
// Keep() fill it. Commit():
//   1. syncs every file and the staging folder, and renames it to D/editions/<id>;
//   2. the first time, in a folder of plain data files: links those files into an edition
//      of their own and points `current` at it (the old data, unchanged, now an edition);
//   3. makes each D/KENnn.CSV, D/JIGnn.CSV the link current/KENnn.CSV (once; replacing a
//      plain file by a link to the same content);
//   4. points `previous` at the edition `current` names;
//   5. the one step: a new link D/.current.new -> editions/<id> renamed over D/current;
//   6. syncs D and removes the edition that is now neither current nor previous.
// Every link is replaced by renaming a new link over it, so a reader finds either the old or
// the new one. A failure or a kill before step 5 leaves the old edition in use and complete
// (steps 2 and 3 change how it is reached, never what it holds); from step 5 on, the new one.
// Nothing an earlier edition holds is ever written to: a failed import loses no old file.
//
// Not thread-safe; one EditionWriter per import. Imports into one folder from several
// processes are serialised by the lock: a second one fails at Begin().

#include <string>
#include <string_view>
#include <vector>

namespace tanzel {

class EditionWriter {
 public:
  EditionWriter() = default;
  // Removes the staging folder (or the staged edition) unless Commit() succeeded, and
  // releases the lock.
  ~EditionWriter();
  EditionWriter(const EditionWriter&) = delete;
  EditionWriter& operator=(const EditionWriter&) = delete;

  // Creates `dir` when it is missing (its parent must exist). Fails when another import holds
  // the folder, or when a data-file name in it (KEN01.CSV ..) is a folder.
  bool Begin(const std::string& dir, std::string& error);
  // Writes the complete file `name` (any plain file name) into the new edition.
  bool Write(const std::string& name, std::string_view bytes, std::string& error);
  // Puts the file `name` of the edition in use (of the plain folder before the first
  // edition) into the new edition unchanged, by a hard link or else a copy; nothing when
  // there is no such file.
  bool Keep(const std::string& name, std::string& error);
  // Puts the new edition in use (steps above). On failure the old edition stays in use.
  bool Commit(std::string& error);

  // The data folder, resolved, without a trailing '/'.
  const std::string& Folder() const { return dir_; }
  // The folder the new edition is staged in, without a trailing '/', from Begin() until
  // Commit() puts it in use.
  const std::string& Staging() const { return staging_; }
  // The id of the edition Commit() put in use.
  const std::string& Edition() const { return id_; }

 private:
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  bool Point(std::string& error);
  void RemoveLeftovers();
  std::string NewId();
  bool Stage(const std::string& staging, std::string& edition, std::string& error);
  bool AdoptPlainFiles(std::string& error);
  bool LinkDataNames(std::string& error);
  bool ReplaceLink(const std::string& name, const std::string& target, std::string& error);

  std::string dir_;
  std::string editions_;  // dir_ + "/editions"
  int lock_ = -1;         // the editions folder, flock()ed for the whole import
  std::string staging_;   // the staging folder, or the staged edition until it is in use
  std::vector<std::string> names_;
  std::string id_;
  long lastSequence_ = 0;
  int point_ = 0;
};

}  // namespace tanzel
