#pragma once

// Test helpers: zip archives the tests write, and altered copies of Japan Post's archives
// for the update tests.

#include <ctime>
#include <string>
#include <utility>
#include <vector>

// Writes a zip archive holding `entries` (name, bytes), each dated `mtime` (0: now),
// stored uncompressed unless `compressed` (deflate). Returns false when it cannot.
bool WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries,
              std::time_t mtime = 0, bool compressed = false);

// The bytes of the entry `name` of a zip archive; empty when it has none.
std::string ReadZipEntry(const std::string& path, const std::string& name);

// The bytes of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// 12:00 local time of a day.
std::time_t LocalNoon(int year, int month, int day);

// What the altered copies change against Japan Post's archives of 2026-05.
namespace altered {
// Addresses: removed, added (copies of 1000004's record), the town renamed.
inline constexpr const char* kKenRemoved[] = {"1000001", "1000002"};
inline constexpr const char* kKenAdded[] = {"1009991", "1009992"};
inline constexpr const char* kKenChanged = "1000005";
// Offices: removed, added (a copy of 1008065's record), the name changed.
inline constexpr const char* kJigRemoved = "1008080";
inline constexpr const char* kJigAdded = "1008799";
inline constexpr const char* kJigChanged = "1008019";
// Their CSV entries are dated this day.
inline constexpr const char* kDate = "2026-06-26";
}  // namespace altered

// Writes into `folder` ken_all.zip and jigyosyo.zip: copies of those in `archives` (Japan
// Post's) with the changes above, dated altered::kDate. With `dropPrefecture` (1 .. 47)
// every address record of that prefecture is left out too. Returns an empty text, or why
// it could not.
std::string MakeAlteredArchives(const std::string& archives, const std::string& folder, int dropPrefecture = 0);
