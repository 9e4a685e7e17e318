#pragma once

// The data in use as one value: one edition of one data folder, opened once.
//
// A DataSet is the folder a reader was given (or that ChooseDataFolder chose), the edition
// folder its `current` named at the moment of opening (core/data/Editions.h), that
// edition's EDITION record and REMOVED list, and its address index, built on first use.
// It never changes after opening and is shared as std::shared_ptr<const DataSet>: a reader
// that holds one reads that edition to its end, whatever imports switch `current`
// meanwhile; the next DataSet opened from the folder is the new edition.
//
// Every member may be called from any number of threads at once.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/data/EditionRecord.h"

namespace tanzel {

class AddressIndex;  // core/resolve/AddressIndex.h

class DataSet {
 public:
  // Opens the edition `folder` serves now. Reads the link `current`, the EDITION and the
  // REMOVED files; no data file is opened yet (a missing one shows when it is read).
  //
  // `beforeRead`, when given, is called with the path of every data file a search of this
  // set opens, just before it opens it, on the searching thread; it may block (a test holds a
  // search at a file with it).
  using ReadHook = std::function<void(const char* path)>;
  static std::shared_ptr<const DataSet> Open(const std::string& folder, ReadHook beforeRead = {});
  // Opens the data in use of the program whose own folder is `programFolder`: the edition
  // the data folder that ChooseDataFolder (core/data/DataFolders.h) chooses serves now. The
  // choice reads the folders' EDITION records only; one set is opened. A front end keeps
  // the set it reads fresh with a DataInUse (shared/DataInUse.h) rather than opening one
  // for each read.
  static std::shared_ptr<const DataSet> OpenInUse(const std::string& programFolder);

  // The data folder, with its trailing '/'.
  const std::string& Folder() const { return folder_; }
  // The edition folder, with its trailing '/': every data file of this set is read there.
  const std::string& EditionFolder() const { return edition_; }
  // The edition's name: the folder name under editions/ that `current` named, or empty
  // for a folder of plain files.
  const std::string& EditionId() const { return id_; }
  // The EDITION record, when the edition has one.
  const std::optional<EditionRecord>& Edition() const { return record_; }
  // Whether the update that brought this edition removed `code` (7 ASCII digits): its
  // REMOVED file lists it under the date of its EDITION record.
  bool Removed(std::string_view code) const;

  // The address index of the edition's data files, built by the first caller (the others
  // wait for it) and kept as long as the DataSet: nullptr, with `error` naming the file,
  // when a data file cannot be read (then every later call says the same). Defined in
  // core/resolve/DataSetIndex.cpp, beside the index, so that this folder does not depend
  // on the resolver.
  std::shared_ptr<const AddressIndex> Index(std::string& error) const;

  // Calls the set's `beforeRead` hook, when it has one, with `path`.
  void BeforeRead(const char* path) const {
    if (beforeRead_) beforeRead_(path);
  }

  // Whether `folder`'s `current` names another edition than this set's now: one readlink
  // (false for a folder of plain files, which is read as it is).
  bool Outdated() const;

 private:
  DataSet() = default;

  std::string folder_;
  std::string edition_;
  std::string link_;  // the target of `current` when opened; empty without one
  std::string id_;
  std::optional<EditionRecord> record_;
  std::vector<std::string> removed_;  // sorted
  ReadHook beforeRead_;

  mutable std::once_flag indexOnce_;
  mutable std::shared_ptr<const AddressIndex> index_;
  mutable std::string indexError_;
};

// Where a window, a worker or an update takes the data it reads at each start: the DataSet
// in use then.
using DataSource = std::function<std::shared_ptr<const DataSet>()>;

}  // namespace tanzel
