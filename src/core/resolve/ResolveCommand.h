#pragma once

// tanzel-search --resolve: addresses to postal codes, for cleaning lists of addresses.

#include <cstdio>
#include <string>
#include <vector>

#include "core/data/DataSet.h"

namespace tanzel {

// Resolves `addresses` (UTF-8), or, when there are none, one address per line of `in`.
// Writes one line per address, in order: the 7-digit code (empty when unresolved), a tab,
// the matched record as the data spells it, a tab, how it matched (MatchKindWord); where
// other codes stand at that address (offices), their three columns follow on the same line.
// An ambiguous address (several places, no single code) has an empty code, an empty record
// and the word "ambiguous", then its candidates as further triples. Input lines may be
// UTF-8 (with or without its byte order mark) or Shift-JIS; other input is refused, naming
// its line. Returns the exit status: 0 every address resolved to one code, 1 one did not
// (or was ambiguous, or the input could not be read), 3 a data file is missing, 4 the
// output could not be written.
int ResolveAddresses(const DataSet& data, const std::vector<const char*>& addresses, std::FILE* in, std::FILE* out,
                     std::FILE* err);

}  // namespace tanzel
