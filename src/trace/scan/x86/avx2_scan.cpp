// The AVX2 paths: the block scan with blocks classified 32 bytes at a time, the
// digits of an ID gathered with shifts, or with PEXT on processors where it is
// quick.
#include "trace/scan/path_functions.h"

#ifdef ZELTOCOV_X86_VECTORS

#include <immintrin.h>

#include "trace/scan/block_scan.h"
#include "trace/scan/x86/pext_digits.h"

namespace hit_scan {

namespace {

/// The 32 bits of a vector compare, at their place among 64.
[[gnu::target("avx2")]] inline uint64_t bits32(__m256i compared, int part) {
  return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(compared)))
         << (32 * part);
}

struct ClassifyAvx2 {
  static uint32_t decode(const unsigned char *p, unsigned digits) {
    return decodeDigits(p, digits);
  }
  [[gnu::target("avx2")]] BlockMasks operator()(const unsigned char *p) const {
    const __m256i zero = _mm256_set1_epi8('0'), nine = _mm256_set1_epi8(9);
    const __m256i lowA = _mm256_set1_epi8('a'), five = _mm256_set1_epi8(5);
    const __m256i lower = _mm256_set1_epi8(0x20);
    BlockMasks masks{0, 0, 0, 0};
    uint64_t digits = 0;
    for (int part = 0; part < 2; ++part) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 32 * part));
      const __m256i decimal = _mm256_sub_epi8(v, zero);
      const __m256i letter = _mm256_sub_epi8(_mm256_or_si256(v, lower), lowA);
      const __m256i isDigit =
          _mm256_or_si256(_mm256_cmpeq_epi8(_mm256_min_epu8(decimal, nine), decimal),
                          _mm256_cmpeq_epi8(_mm256_min_epu8(letter, five), letter));
      masks.lineFeeds |= bits32(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\n')), part);
      masks.tees |= bits32(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('T')), part);
      masks.spaces |= bits32(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(' ')), part);
      digits |= bits32(isDigit, part);
    }
    masks.nonDigits = ~digits;
    return masks;
  }
};

/// AVX2 with the nibbles gathered by PEXT.
struct ClassifyAvx2Pext : ClassifyAvx2 {
  [[gnu::target("bmi2")]] static uint32_t decode(const unsigned char *p, unsigned digits) {
    return decodeDigitsPext(p, digits);
  }
};

} // namespace

ZELTOCOV_BLOCK_PATH(kAvx2Path, ClassifyAvx2, "avx2")
ZELTOCOV_BLOCK_PATH(kAvx2PextPath, ClassifyAvx2Pext, "avx2,bmi2")

} // namespace hit_scan

#endif // ZELTOCOV_X86_VECTORS
