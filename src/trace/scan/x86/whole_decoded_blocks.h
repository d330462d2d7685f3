// Whole blocks of the decoding ahead (decodeHitLines) decoded at once with
// AVX-512 VBMI2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <immintrin.h>

#include "trace/hit_line_scanner.h"
#include "trace/scan/x86/vbmi_lanes.h"

namespace hit_scan {

/// With AVX-512 VBMI2: the lines of a block decoded in sixteen lanes and stored
/// at once when the room left holds them all and one more line (the decoding of
/// the next block stores a line before it looks at the room); a block with a
/// letter that is no kind or an ID of more than four digits, or that the room
/// left only just holds, is left to the line-by-line decoding.
class WholeDecodedBlocks {
public:
  WholeDecodedBlocks(uint32_t *out, std::size_t capacity, std::size_t &lines)
      : out_(out), capacity_(capacity), lines_(lines) {}

  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] unsigned operator()(const unsigned char *p, uint64_t ends) {
    if (capacity_ - lines_ <= static_cast<std::size_t>(__builtin_popcountll(ends))) return 0;
    const BlockLines lines(p, ends);
    __m512i kinds, ids;
    __mmask16 lanes;
    if (decodeSixteenLanes(lines, kinds, ids, lanes) != SixteenLanes::Decoded) return 0;
    // IDs of four digits are far below the decoded lines' limit.
    _mm512_mask_storeu_epi32(out_ + lines_, lanes,
                             _mm512_or_si512(_mm512_slli_epi32(kinds, kDecodedKindShift), ids));
    lines_ += lines.lines;
    return lines.bytes;
  }

private:
  uint32_t *out_;
  std::size_t capacity_;
  /// Lines stored so far.
  std::size_t &lines_;
};

} // namespace hit_scan
