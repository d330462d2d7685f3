#include "support/plain_reading.h"

#include <cstdlib>
#include <cstring>

bool asksPlainReading(const char *value) {
  return value && std::strcmp(value, kPlainReadingValue) == 0;
}

bool plainReadingForced() {
  // Read once: the scans ask for every run of lines.
  static const bool forced = asksPlainReading(std::getenv(kPlainReadingVariable));
  return forced;
}
