#pragma once

#include <cstdint>
#include <string>

namespace tanzel {

// Check digit (ディジットコード) of a local government code, from the first five bytes of
// its five-digit text: weights 6, 5, 4, 3, 2; check = (11 - sum mod 11) mod 10.
// Returns -1 when the text has fewer than five bytes.
int CheckDigit(const char* code5);

// A local government code in five digits, leading zero kept ("01101"), and the same with
// its check digit appended ("011011"); every part of the program writes them so.
std::string LocalGovCodeText(int32_t code);
std::string LocalGovCodeWithCheckDigit(int32_t code);

}  // namespace tanzel
