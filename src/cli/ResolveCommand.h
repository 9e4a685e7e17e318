#pragma once

// tanzel-search --resolve: addresses to postal codes, for cleaning lists of addresses.

#include <cstdio>
#include <string>
#include <vector>

#include "core/data/DataSet.h"

namespace tanzel {

// Exit status of --resolve.
enum ResolveExit {
  kResolveAllSure = 0,      // every address resolved to one code
  kResolveNotOne = 1,       // an address did not (not found, or ambiguous)
  kResolveFileMissing = 3,  // a data file is missing
  kResolveOutputError = 4,  // the output could not be written
  kResolveBadInput = 5,     // a line (or an argument) is neither UTF-8 nor Shift-JIS
};

// How --resolve writes its answers.
enum class ResolveFormat {
  Columns,  // tab-separated columns (below)
  Json,     // one JSON object a line (JSON Lines), as the web service answers (AnswerJson.h)
};

// Resolves `addresses` (UTF-8), or, when there are none, one address per line of `in`
// (lines end in CRLF, LF or CR alone). Writes one answer per address, in order. In columns:
// the 7-digit code (empty when unresolved), a tab, the matched record as the data spells
// it, a tab, how it matched (MatchKindWord); where other codes stand at that address
// (offices), their three columns follow on the same line. An ambiguous address (several
// places, no single code) has an empty code, an empty record and the word "ambiguous", then
// its candidates as further triples. Input lines may be UTF-8 (with or without its byte
// order mark) or Shift-JIS; a line that is neither is answered as not found, with a notice
// on `err` naming it (in JSON its object has "error": "invalid-encoding"), and the other
// lines are answered as usual. Returns the exit status (ResolveExit); where several apply,
// 4 goes before 5, and 5 before 1.
int ResolveAddresses(const DataSet& data, const std::vector<const char*>& addresses, ResolveFormat format,
                     std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace tanzel
