// DataSet::Index lives beside the address index: core/data holds the DataSet and does not
// depend on the resolver, which builds the index from the data files.

#include "core/data/DataSet.h"
#include "core/resolve/AddressIndex.h"

namespace tanzel {

std::shared_ptr<const AddressIndex> DataSet::Index(std::string& error) const {
  std::call_once(indexOnce_, [this] { index_ = AddressIndex::Build(edition_, indexError_); });
  if (!index_) error = indexError_;
  return index_;
}

}  // namespace tanzel
