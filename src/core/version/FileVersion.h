#pragma once

// The version number the version dialog shows, taken from the FileVersion text the
// executable carries ("24.5.0.113").

#include <string>

namespace tanzel {

// Scans `text` like "%d.%d.%d.%d" into numbers[0..3] (major, minor, release, build):
// each number may follow white space and carry a sign; the scan stops at the first
// character that does not fit, and the numbers after that point are left as they are.
// A number too large for an int is held at INT_MAX (INT_MIN). Returns how many numbers
// were written.
int ScanFileVersion(const char* text, int numbers[4]);

// "version " and the first three numbers in plain decimal: "version 24.5.0".
std::string VersionLabelText(const int numbers[4]);

}  // namespace tanzel
