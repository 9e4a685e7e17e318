#pragma once

namespace tanzel {

// Check digit (ディジットコード) of a local government code, from the first five bytes of
// its five-digit text: weights 6, 5, 4, 3, 2; check = (11 - sum mod 11) mod 10.
// Returns -1 when the text has fewer than five bytes.
int CheckDigit(const char* code5);

}  // namespace tanzel
