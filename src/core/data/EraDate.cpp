#include "core/data/EraDate.h"

#include <tuple>

namespace tanzel {

namespace {

// clang-format off
inline constexpr char kReiwa[] = "\x97\xdf\x98" "a";  // 令和
inline constexpr char kHeisei[] = "\x95\xbd\x90\xac";  // 平成
inline constexpr char kFirstYear[] = "\x8c\xb3";  // 元
inline constexpr char kYear[] = "\x94N";  // 年
inline constexpr char kMonth[] = "\x8c\x8e";  // 月
inline constexpr char kDay[] = "\x93\xfa";  // 日
inline constexpr char kRevised[] = "\x81@\x97X\x95\xd6\x94\xd4\x8d\x86\x89\xfc\x92\xe8";  // 　郵便番号改定
// clang-format on

struct Era {
  CalendarDate first;
  const char* name;
};

// Newest first.
constexpr Era kEras[] = {{{2019, 5, 1}, kReiwa}, {{1989, 1, 8}, kHeisei}};

bool NotBefore(const CalendarDate& a, const CalendarDate& b) {
  return std::tie(a.year, a.month, a.day) >= std::tie(b.year, b.month, b.day);
}

// "令和8年" / "平成元年" / "1988年".
std::string YearText(const CalendarDate& date) {
  for (const Era& era : kEras) {
    if (!NotBefore(date, era.first)) continue;
    int year = date.year - era.first.year + 1;
    return std::string(era.name) + (year == 1 ? std::string(kFirstYear) : std::to_string(year)) + kYear;
  }
  return std::to_string(date.year) + kYear;
}

}  // namespace

std::string EraMonthText(const CalendarDate& date) {
  return YearText(date) + std::to_string(date.month) + kMonth;
}

std::string EraDateText(const CalendarDate& date) {
  return EraMonthText(date) + std::to_string(date.day) + kDay;
}

std::string DataDateLabel(const CalendarDate& date) {
  return EraDateText(date) + kRevised;
}

}  // namespace tanzel
