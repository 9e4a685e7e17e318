#pragma once

// Dates in the Japanese era calendar, as the program writes them (Shift-JIS): 令和 from
// 2019-05-01 on, 平成 from 1989-01-08 until then; the first year of an era is 元年.
// Earlier dates keep their western year ("1988年12月31日"). Digits are ASCII.

#include <string>

#include "core/data/EditionRecord.h"

namespace tanzel {

// "令和8年5月26日" for 2026-05-26.
std::string EraDateText(const CalendarDate& date);

// "令和8年5月" for any day of May 2026.
std::string EraMonthText(const CalendarDate& date);

// The main window's date line for data of `date`: "令和8年5月26日　郵便番号改定" (with a
// full-width space).
std::string DataDateLabel(const CalendarDate& date);

}  // namespace tanzel
