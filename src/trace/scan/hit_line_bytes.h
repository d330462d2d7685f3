// The bytes of a plain hit line ("TB 1a" and LF) and their values, shared by every
// path of the scan: the kind of an opcode's letter, the value of a digit, and the
// decoding of an ID's reversed hexadecimal digits byte by byte or a word at a time.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "model/branch_index.h"

namespace hit_scan {

// The tables are hidden from other shared objects: code built position-independent
// reaches other inline variables through the global offset table, and the loops
// of the scan would then load the table's address again at every line.

/// Digit value of every byte: 0-15 for hexadecimal digits, -1 otherwise (NUL too).
[[gnu::visibility("hidden")]] inline constexpr std::array<int8_t, 256> kDigitValues = [] {
  std::array<int8_t, 256> values{};
  for (int8_t &value : values)
    value = -1;
  for (int c = '0'; c <= '9'; ++c)
    values[c] = static_cast<int8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) {
    values[c] = static_cast<int8_t>(c - 'a' + 10);
    values[c - 'a' + 'A'] = static_cast<int8_t>(c - 'a' + 10);
  }
  return values;
}();

/// Trace kind of the second letter of a hit opcode (T followed by it), 0 for others.
[[gnu::visibility("hidden")]] inline constexpr std::array<uint8_t, 256> kHitKinds = [] {
  std::array<uint8_t, 256> kinds{};
  kinds['P'] = KindProcPoint;
  kinds['A'] = KindCall;
  kinds['B'] = KindBlock;
  kinds['E'] = KindCondition;
  return kinds;
}();

/// Reads 1 to 8 reversed hexadecimal digits at `p`, moving it past them; false
/// when there is none. A ninth digit is left in place (it stops the line).
inline bool readDigits(const unsigned char *&p, uint32_t &value) {
  uint32_t result = 0;
  int length = 0;
  for (; length < 8; ++length) {
    const int digit = kDigitValues[p[length]];
    if (digit < 0) break;
    result |= static_cast<uint32_t>(digit) << (4 * length);
  }
  p += length;
  value = result;
  return length > 0;
}

/// The value of 1 to 8 reversed hexadecimal digits (checked already) at `p`,
/// without a branch per digit: one load, each byte turned into its digit value,
/// the nibbles packed in place. IDs of up to 4 digits (nearly all) take 32 bits.
inline uint32_t decodeDigits(const unsigned char *p, unsigned digits) {
  if (digits <= 4) {
    uint32_t x;
    std::memcpy(&x, p, sizeof x);
    x &= ~uint32_t{0} >> (32 - 8 * digits);
    // '0'-'9' keep their low four bits; 'a'-'f' and 'A'-'F' (bit 6 set) add 9.
    x = (x & 0x0F0F0F0Fu) + 9 * ((x >> 6) & 0x01010101u);
    x = (x | (x >> 4)) & 0x00FF00FFu;
    return (x | (x >> 8)) & 0xFFFFu;
  }
  uint64_t x;
  std::memcpy(&x, p, sizeof x);
  x &= ~uint64_t{0} >> (64 - 8 * digits);
  x = (x & 0x0F0F0F0F0F0F0F0Full) + 9 * ((x >> 6) & 0x0101010101010101ull);
  x = (x | (x >> 4)) & 0x00FF00FF00FF00FFull;
  x = (x | (x >> 8)) & 0x0000FFFF0000FFFFull;
  return static_cast<uint32_t>(x | (x >> 16));
}

} // namespace hit_scan
