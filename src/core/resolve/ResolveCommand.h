#pragma once

// tanzel-search --resolve: addresses to postal codes, for cleaning lists of addresses.

#include <cstdio>
#include <string>
#include <vector>

namespace tanzel {

// Resolves `addresses` (UTF-8), or, when there are none, one address per line of `in`.
// Writes one line per address, in order: the 7-digit code (empty when unresolved), a tab,
// the matched record as the data spells it, a tab, how it matched (MatchKindWord); where
// more codes fit equally, their three columns follow on the same line. Returns the exit
// status: 0 every address resolved, 1 one did not, 3 a data file is missing, 4 the output
// could not be written.
int ResolveAddresses(const std::string& folder, const std::vector<const char*>& addresses, std::FILE* in,
                     std::FILE* out, std::FILE* err);

}  // namespace tanzel
