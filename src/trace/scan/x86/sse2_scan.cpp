// The SSE2 path: the block scan with blocks classified 16 bytes at a time.
#include "trace/scan/path_functions.h"

#ifdef ZELTOCOV_X86_VECTORS

#include <immintrin.h>

#include "trace/scan/block_scan.h"

namespace hit_scan {

namespace {

/// The 16 bits of a vector compare, at their place among 64.
[[gnu::target("sse2")]] inline uint64_t bits16(__m128i compared, int part) {
  return static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(compared))) << (16 * part);
}

struct ClassifySse2 {
  static uint32_t decode(const unsigned char *p, unsigned digits) {
    return decodeDigits(p, digits);
  }
  [[gnu::target("sse2")]] BlockMasks operator()(const unsigned char *p) const {
    const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9);
    const __m128i lowA = _mm_set1_epi8('a'), five = _mm_set1_epi8(5), lower = _mm_set1_epi8(0x20);
    BlockMasks masks{0, 0, 0, 0};
    uint64_t digits = 0;
    for (int part = 0; part < 4; ++part) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * part));
      // x <= n (unsigned) is min(x, n) == x.
      const __m128i decimal = _mm_sub_epi8(v, zero);
      const __m128i letter = _mm_sub_epi8(_mm_or_si128(v, lower), lowA);
      const __m128i isDigit = _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(decimal, nine), decimal),
                                           _mm_cmpeq_epi8(_mm_min_epu8(letter, five), letter));
      masks.lineFeeds |= bits16(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')), part);
      masks.tees |= bits16(_mm_cmpeq_epi8(v, _mm_set1_epi8('T')), part);
      masks.spaces |= bits16(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), part);
      digits |= bits16(isDigit, part);
    }
    masks.nonDigits = ~digits;
    return masks;
  }
};

} // namespace

ZELTOCOV_BLOCK_PATH(kSse2Path, ClassifySse2, "sse2")

} // namespace hit_scan

#endif // ZELTOCOV_X86_VECTORS
