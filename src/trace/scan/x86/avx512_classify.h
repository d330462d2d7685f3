// The blocks of the AVX-512 paths classified in one 64-byte vector (AVX-512 BW),
// the digits of an ID gathered with PEXT (every processor with AVX-512 has it
// quick).
#pragma once

#include <cstdint>
#include <immintrin.h>

#include "trace/scan/block_scan.h"
#include "trace/scan/x86/pext_digits.h"

namespace hit_scan {

struct ClassifyAvx512 {
  [[gnu::target("bmi2")]] static uint32_t decode(const unsigned char *p, unsigned digits) {
    return decodeDigitsPext(p, digits);
  }
  [[gnu::target("avx512f,avx512bw")]] BlockMasks operator()(const unsigned char *p) const {
    const __m512i v = _mm512_loadu_si512(p);
    const __m512i decimal = _mm512_sub_epi8(v, _mm512_set1_epi8('0'));
    const __m512i letter =
        _mm512_sub_epi8(_mm512_or_si512(v, _mm512_set1_epi8(0x20)), _mm512_set1_epi8('a'));
    const uint64_t digits = _mm512_cmplt_epu8_mask(decimal, _mm512_set1_epi8(10)) |
                            _mm512_cmplt_epu8_mask(letter, _mm512_set1_epi8(6));
    return BlockMasks{_mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\n')), ~digits,
                      _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('T')),
                      _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(' '))};
  }
};

} // namespace hit_scan
