#include "core/data/RemovedNotice.h"

#include <algorithm>
#include <optional>

#include "core/data/EraDate.h"
#include "core/text/Normalize.h"

namespace tanzel {

namespace {

// clang-format off
inline constexpr char kRemovedHead[] = "\x82\xb1\x82\xcc\x97X\x95\xd6\x94\xd4\x8d\x86\x82\xcd";  // この郵便番号は
inline constexpr char kRemovedTail[] = "\x82\xcc\x8dX\x90V\x82\xc5\x94p\x8e~\x82\xb3\x82\xea\x82\xdc\x82\xb5\x82\xbd";  // の更新で廃止されました
// clang-format on

}  // namespace

std::string PostalCodeOfKeyword(std::string_view keyword) {
  std::string code = DataFormOfKeyword(keyword);
  if (!IsWholePostalCode(code)) return {};
  code.erase(std::remove(code.begin(), code.end(), '-'), code.end());
  return code;
}

std::string RemovedCodeNotice(const DataSet& set, std::string_view keyword) {
  std::string code = PostalCodeOfKeyword(keyword);
  if (code.empty() || !set.Edition() || !set.Removed(code)) return {};
  std::optional<CalendarDate> day = ParseIsoDate(set.Edition()->date);
  if (!day) return {};
  return kRemovedHead + EraMonthText(*day) + kRemovedTail;
}

}  // namespace tanzel
