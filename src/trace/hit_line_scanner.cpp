#include "trace/hit_line_scanner.h"

#include <array>
#include <cstdint>

namespace {

/// Digit value of every byte: 0-15 for hexadecimal digits, -1 otherwise (NUL too).
constexpr std::array<int8_t, 256> kDigitValues = [] {
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
constexpr std::array<uint8_t, 256> kHitKinds = [] {
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

} // namespace

HitScan scanHitLines(std::string_view bytes, bool countOriented, TraceHit *out,
                     std::size_t capacity, bool countRequired) {
  // Each byte is looked at only after the one before it matched and was not NUL,
  // so the scan never passes the NUL that follows the bytes.
  const auto *begin = reinterpret_cast<const unsigned char *>(bytes.data());
  const unsigned char *p = begin;
  std::size_t count = 0;
  while (count < capacity) {
    if (p[0] != 'T') break;
    const uint8_t kind = kHitKinds[p[1]];
    if (!kind || p[2] != ' ') break;
    const unsigned char *q = p + 3;
    uint32_t id;
    if (!readDigits(q, id)) break;
    uint32_t hits = 1;
    if (*q == ' ' && countOriented) {
      ++q;
      if (!readDigits(q, hits)) break;
    } else if (countOriented && countRequired) {
      break;
    }
    if (*q != '\n') break;
    out[count++] = TraceHit{id, hits, kind};
    p = q + 1;
  }
  // A line is taken only once its line end is seen, which lies within the bytes.
  return HitScan{count, static_cast<std::size_t>(p - begin)};
}
