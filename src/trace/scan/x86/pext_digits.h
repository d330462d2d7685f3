// The digits of an ID gathered with PEXT (BMI2), for the paths of processors
// where that instruction is quick.
#pragma once

#include <cstdint>
#include <cstring>
#include <immintrin.h>

namespace hit_scan {

/// decodeDigits (hit_line_bytes.h) with the nibbles gathered in one instruction.
[[gnu::target("bmi2")]] inline uint32_t decodeDigitsPext(const unsigned char *p, unsigned digits) {
  uint64_t x;
  std::memcpy(&x, p, sizeof x);
  x = _bzhi_u64(x, 8 * digits);
  x = (x & 0x0F0F0F0F0F0F0F0Full) + 9 * ((x >> 6) & 0x0101010101010101ull);
  return static_cast<uint32_t>(_pext_u64(x, 0x0F0F0F0F0F0F0F0Full));
}

} // namespace hit_scan
