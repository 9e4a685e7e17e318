#include "core/data/PostalText.h"

#include <cstdio>

namespace tanzel {

std::string PostalDigits(uint32_t postal) {
  char text[16];
  std::snprintf(text, sizeof text, "%07u", postal);
  return text;
}

std::string PostalText(uint32_t postal) {
  char text[16];
  std::snprintf(text, sizeof text, "%03u-%04u", postal / 10000 % 1000, postal % 10000);
  return text;
}

}  // namespace tanzel
