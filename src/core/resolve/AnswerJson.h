#pragma once

// The JSON object of one resolved address, as the web service answers it and
// `tanzel-search --resolve --json` writes it (one object a line): written directly, since a
// batch of ten thousand would spend more time building and freeing a document than
// resolving. Keys in sorted order:
//   {"address": TEXT, "candidates": [{"code", "match", "office", "record"}...],
//    "certainty": sure|not-sure|ambiguous|not-found,
//    "code", "match", "record": the one code's (null unless sure or not sure)}

#include <string>
#include <string_view>

#include "core/resolve/Resolver.h"

namespace tanzel {

// Appends `text` to `out` as a JSON string (quotes, backslashes and control characters
// escaped). Bytes that are not UTF-8 are written as U+FFFD, one for each.
void AppendJsonString(std::string& out, std::string_view text);

// Appends the object of `answer`, the answer for `utf8Address` (the address as given, in
// UTF-8), on the index it was resolved on.
void AppendAnswerJson(std::string& out, const AddressIndex& index, std::string_view utf8Address,
                      const ResolveAnswer& answer);

}  // namespace tanzel
