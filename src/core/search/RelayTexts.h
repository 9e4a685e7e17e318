#pragma once

// The three text tables of the relay, Shift-JIS. Plain C++: the command-line search
// prints the same texts.

namespace tanzel {

// Kinds of a relay message.
enum RelayKind { RelayError = 1, RelayWarning = 2, RelayInformation = 3 };

// Indices the search worker posts.
inline constexpr int RelayDataFileMissing = 1;  // kind RelayError
inline constexpr int RelayEnterKeyword = 1;     // kind RelayInformation
inline constexpr int RelayHitLimit = 2;         // kind RelayInformation
inline constexpr int RelayNoHit = 3;            // kind RelayInformation

// The text of (kind, index); nullptr when the kind is unknown or the index lies outside
// its table.
const char* RelayText(int kind, int index);

}  // namespace tanzel
