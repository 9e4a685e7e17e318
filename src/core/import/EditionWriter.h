#pragma once

// Writes a new edition of the data files into a data folder and puts it in use in one step
// (the layout is described in core/data/Editions.h).
//
// Begin() takes the folder's import lock, removes what earlier imports left (see
// TidyDataFolder) and makes a staging folder D/editions/.staging-XXXXXX, inside the data
// folder, so that everything moves by renaming even when D is a mount point of its own.
// Write() and Keep() fill it. Commit():
//   1. syncs every file and the staging folder, and renames it to D/editions/<id>;
//   2. the first time, in a folder of plain data files: links those files into an edition
//      of their own and points `current` at it (the old data, unchanged, now an edition);
//   3. makes each D/KENnn.CSV, D/JIGnn.CSV the link current/KENnn.CSV (once; replacing a
//      plain file by a link to the same content);
//   4. makes the link D/.previous.new to the edition `current` names;
//   5. the one step: a new link D/.current.new -> editions/<id> renamed over D/current;
//   6. renames D/.previous.new over D/previous;
//   7. syncs D and removes the edition that is now neither current nor previous.
// Every link is replaced by renaming a new link over it, so a reader finds either the old or
// the new one. A failure or a kill before step 5 leaves the old edition in use and complete
// (steps 2 and 3 change how it is reached, never what it holds); from step 5 on, the new one.
// At every moment `previous` names a complete edition other than the one `current` names, or
// nothing: a kill between steps 5 and 6 leaves the older `previous` and D/.previous.new,
// which the next import renames into place before it removes anything.
// Nothing an earlier edition holds is ever written to: a failed import loses no old file.
//
// Every folder the program makes in D/editions (editions, staging folders, an update's work
// folders) holds the file kOwnFolderMarker. The clean-up removes only such folders, by their
// names (<id>, .staging-XXXXXX, .update-XXXXXX) and their marker, never follows a symbolic
// link, and reports whatever else it finds there as left alone. A D/editions that is a
// symbolic link is refused: imports neither write nor remove anything through it.
//
// Not thread-safe; one EditionWriter per import. Imports into one folder from several
// processes are serialised by the lock: a second one fails at Begin().

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tanzel {

// The file inside every folder the program makes in D/editions: what lets the clean-up tell
// the program's folders from anything else put there.
inline constexpr const char* kOwnFolderMarker = ".tanzel-edition";

// How a failure to take the import lock ends: "<folder>: " and this.
inline constexpr const char* kAnotherImportRunning = "another import into this folder is running";

// Test hook: called at each step of putting a new edition in use (1, 2, ...), when set;
// returning false makes that step fail as a failed system call would.
using CommitStepHook = std::function<bool(int step)>;

// Makes the new folder `editions`/<prefix>XXXXXX (prefix ".staging-" or ".update-") with
// kOwnFolderMarker in it, readable as the umask allows. Its path without a trailing '/';
// empty, with `error`, on failure.
std::string MakeOwnFolder(const std::string& editions, const std::string& prefix, std::string& error);

// Takes the import lock of the data folder `dir` for a moment and removes what killed
// imports and updates left there: edition folders neither `current` nor `previous` names,
// staging folders, temporary links, work folders of updates (but none that a running process
// holds with flock(), such as a running update's work folder); it first finishes a commit
// killed between its steps 5 and 6. Only the program's own folders are removed; the names of
// whatever else D/editions holds are added to `leftAlone`. Nothing to do, and true, when `dir`
// or D/editions does not exist. False, with `error`, when another import holds the folder or
// D/editions is not a folder of its own (a symbolic link).
bool TidyDataFolder(const std::string& dir, std::vector<std::string>& leftAlone, std::string& error);

class EditionWriter {
 public:
  explicit EditionWriter(CommitStepHook atStep = {}) : atStep_(std::move(atStep)) {}
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
  // The names in D/editions the clean-up left alone because the program did not make them.
  const std::vector<std::string>& LeftAlone() const { return leftAlone_; }

 private:
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  bool Point(std::string& error);
  void RemoveLeftovers();
  void Remove(const std::string& path);
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
  std::vector<std::string> leftAlone_;
  CommitStepHook atStep_;
  std::string id_;
  long lastSequence_ = 0;
  int point_ = 0;
};

}  // namespace tanzel
