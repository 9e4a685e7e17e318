#pragma once

// A postal code's text, in the two forms every part of the program writes: the seven
// digits as the data holds them ("0600001") and as people write it ("060-0001"). Defined
// once here, at the lowest layer that both the engine's answers and the front ends reach.

#include <cstdint>
#include <string>

namespace tanzel {

// "NNNNNNN", leading zeros kept.
std::string PostalDigits(uint32_t postal);

// "NNN-NNNN" (a spreadsheet keeps it as text, leading zero included).
std::string PostalText(uint32_t postal);

}  // namespace tanzel
