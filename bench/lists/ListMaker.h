#pragma once

// A customer list as offices keep them, made from the real data: name, existing postal code
// (mostly right, some wrong, some missing), address (written the ways people write it) and
// building, in Shift-JIS, comma-separated with a header row.

#include <cstddef>
#include <string>

#include "core/resolve/AddressIndex.h"

namespace bench {

// `rows` rows spread over every town and office of `index`.
std::string MakeCustomerList(const tanzel::AddressIndex& index, std::size_t rows);

}  // namespace bench
