#include "support/coverage_counts.h"

double coverageRate(uint32_t hit, uint32_t total) {
  // 64-bit products: a total near 2^32 must not wrap.
  const uint64_t missed = uint64_t(total) - hit;
  if (hit < total && uint64_t(total) >= missed * 2000) return 99.9;
  if (hit > 0 && hit < total && uint64_t(total) >= uint64_t(hit) * 2000) return 0.1;
  return double(hit) * 100.0 / double(total);
}
