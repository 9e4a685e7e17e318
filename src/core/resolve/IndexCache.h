#pragma once

// One address index per set of data files for the whole process, built on first use.

#include <memory>
#include <string>

#include "core/resolve/AddressIndex.h"

namespace tanzel {

// The index of the data files in `folder` (with its trailing '/'): the one built before
// when the files have not changed since (same sizes and times), else a new one. Returns
// nullptr, with `error` naming the file, when a data file cannot be read. Thread-safe; a
// caller keeps its index alive as long as it holds the pointer.
std::shared_ptr<const AddressIndex> SharedAddressIndex(const std::string& folder, std::string& error);

}  // namespace tanzel
