#pragma once

// Test helper: Shift-JIS bytes of a UTF-8 literal, so tests read in plain Japanese.

#include <string>
#include <string_view>

// Throws std::invalid_argument when the text has no Shift-JIS form.
std::string S(std::string_view utf8);
