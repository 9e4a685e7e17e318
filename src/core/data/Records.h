#pragma once

#include <cstdint>

namespace tanzel {

// Capacity of every record table: the prefecture tables of the main window and the
// search worker's two hit tables together.
inline constexpr int TableCapacity = 10240;

// One line of an address file (KENnn.CSV). Text fields are NUL-terminated Shift-JIS.
struct KenRecord {
  int32_t LocalGovCode;
  char OldPostalCode[8];
  char PostalCode[10];
  char PrefKana[32];
  char CityKana[128];
  char TownKana[256];
  char PrefKanji[32];
  char CityKanji[128];
  char TownKanji[1030];
};

// One line of a large-business-office file (JIGnn.CSV).
struct JigRecord {
  int32_t LocalGovCode;
  char OfficeKana[128];
  char OfficeKanji[128];
  char PrefKanji[32];
  char CityKanji[128];
  char TownKanji[256];
  char BlockKanji[256];
  char PostalCode[10];
  char OldPostalCode[142];
};

// The town entry (TownKanji) that stands for every other address of a city. Such lines are
// listed first within their city and are left out of the keyword search.
inline constexpr char kCatchAllTown[] =
    "\x88\xc8\x89\xba\x82\xc9\x8c"
    "f\x8d\xda\x82\xaa\x82\xc8\x82\xa2\x8f\xea\x8d\x87";  // 以下に掲載がない場合

static_assert(sizeof(KenRecord) == 1628);
static_assert(sizeof(JigRecord) == 1084);

}  // namespace tanzel
