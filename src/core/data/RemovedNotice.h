#pragma once

// The line a search that found nothing shows when its keyword is a postal code that the
// update which brought the data in use removed.

#include <string>
#include <string_view>

#include "core/data/DataSet.h"

namespace tanzel {

// The 7-digit code a search keyword (Shift-JIS) names, written in any of the ways the
// tolerant search accepts (DataFormOfKeyword in core/text/Normalize.h): ASCII or
// full-width digits, spaces, a leading 〒, a hyphen-like mark between the third and the
// fourth digit. Empty when the keyword is no whole postal code.
std::string PostalCodeOfKeyword(std::string_view keyword);

// For a search of `set` that found nothing: when `keyword` names a code that the update
// which brought `set` removed (DataSet::Removed), the notice
// "この郵便番号は令和8年5月の更新で廃止されました" (Shift-JIS, with the era month of the
// set's EDITION date); empty otherwise.
std::string RemovedCodeNotice(const DataSet& set, std::string_view keyword);

}  // namespace tanzel
