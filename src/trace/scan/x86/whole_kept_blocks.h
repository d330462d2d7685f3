// Whole blocks of the filtered scan with the cleaned trace taken at once with
// AVX-512 VBMI2.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

#include "trace/scan/hit_sink.h"
#include "trace/scan/x86/vbmi_lanes.h"

namespace hit_scan {

/// With AVX-512 VBMI2, for the cleaned trace: the lines of a block decoded in
/// sixteen lanes and checked all at once against what the store would leave out
/// (a branch the cleaned trace keeps already, and a settled one if the model
/// counts its kind). Nothing of that changes during a scan, so a bit per ID tells
/// it, made once per scan; taken when every kind's counters number 512 at most.
class WholeKeptBlocks {
public:
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] WholeKeptBlocks(HitSink<true> &sink,
                                                        const HitScanFilter *filter)
      : sink_(sink) {
    if (!filter || !filter->cleaning) return;
    alignas(64) uint32_t counted[16] = {};
    __m512i bits[4];
    const __m512i wordIds =
        _mm512_mullo_epi32(_mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0),
                           _mm512_set1_epi32(32));
    for (unsigned k = 0; k < 4; ++k) {
      const std::size_t kept = filter->kept[k] ? filter->keptSize[k] : 0;
      if (kept > 512 || (kept && !filter->keptBits[k])) return;
      counted[k + 1] = filter->kinds >> k & 1u;
      const auto keptWords = static_cast<__mmask16>((1u << ((kept + 31) / 32)) - 1);
      bits[k] = _mm512_maskz_loadu_epi32(keptWords, filter->keptBits[k]);
      if (!counted[k + 1]) continue;
      // Counted kinds: only the settled branches of dense slots.
      const std::size_t dense = std::min<std::size_t>(filter->denseSize[k], 512);
      const auto denseWords = static_cast<__mmask16>((1u << ((dense + 31) / 32)) - 1);
      // Bits of each word below the dense size: 32 - (size - first ID) shifted out.
      const __m512i below = _mm512_min_epi32(
          _mm512_max_epi32(_mm512_sub_epi32(_mm512_set1_epi32(static_cast<int>(dense)), wordIds),
                           _mm512_setzero_si512()),
          _mm512_set1_epi32(32));
      const __m512i denseBits =
          _mm512_srlv_epi32(_mm512_set1_epi32(-1), _mm512_sub_epi32(_mm512_set1_epi32(32), below));
      bits[k] = _mm512_and_si512(
          bits[k],
          _mm512_and_si512(denseBits, _mm512_maskz_loadu_epi32(denseWords, filter->settled[k])));
    }
    lowKinds_[0] = bits[0];
    lowKinds_[1] = bits[1];
    highKinds_[0] = bits[2];
    highKinds_[1] = bits[3];
    countedKinds_ = _mm512_load_si512(counted);
    enabled_ = true;
  }

  /// Takes the lines of the block at `p` that end at `ends` (not 0): their bytes,
  /// or 0 when they are left to the line-by-line taking.
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] unsigned operator()(const unsigned char *p, uint64_t ends) {
    if (!enabled_) return 0;
    const BlockLines lines(p, ends);
    __m512i kinds, ids;
    __mmask16 lanes;
    if (decodeSixteenLanes(lines, kinds, ids, lanes) != SixteenLanes::Decoded ||
        !leftOut(kinds, ids, lanes))
      return 0;
    return lines.bytes;
  }

  /// Whether the `lanes` of `kinds` and `ids` (lanes of 32 bits, kinds 1 to 4)
  /// are all left out; the last of them counted is noted as dropped.
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] bool leftOut(__m512i kinds, __m512i ids, __mmask16 lanes) {
    // Word ID / 32 of the kind's bits: kinds 1 and 3 in the first 16 words of a
    // pair of tables, kinds 2 and 4 in the next 16.
    const __m512i word = _mm512_or_si512(
        _mm512_srli_epi32(ids, 5),
        _mm512_slli_epi32(
            _mm512_and_si512(_mm512_sub_epi32(kinds, _mm512_set1_epi32(1)), _mm512_set1_epi32(1)),
            4));
    const __m512i words =
        _mm512_mask_blend_epi32(_mm512_cmpgt_epu32_mask(kinds, _mm512_set1_epi32(2)),
                                _mm512_permutex2var_epi32(lowKinds_[0], word, lowKinds_[1]),
                                _mm512_permutex2var_epi32(highKinds_[0], word, highKinds_[1]));
    const __mmask16 left = _mm512_mask_test_epi32_mask(
        _mm512_mask_cmplt_epu32_mask(lanes, ids, _mm512_set1_epi32(512)),
        _mm512_srlv_epi32(words, _mm512_and_si512(ids, _mm512_set1_epi32(31))),
        _mm512_set1_epi32(1));
    if (left != lanes) return false;
    const __m512i kindCounted = _mm512_permutexvar_epi32(kinds, countedKinds_);
    const __mmask16 counted = _mm512_mask_test_epi32_mask(lanes, kindCounted, kindCounted);
    if (counted) {
      unsigned kind;
      uint32_t id;
      lastLaneOf(counted, kinds, ids, kind, id);
      sink_.noteDropped(kind, id);
    }
    return true;
  }

  bool enabled() const { return enabled_; }

private:
  HitSink<true> &sink_;
  bool enabled_ = false;
  /// By kind, bit ID set when a hit on ID is left out: kinds 1 and 2, then 3 and 4.
  __m512i lowKinds_[2];
  __m512i highKinds_[2];
  /// 1 at the index of each kind the model counts.
  __m512i countedKinds_;
};

} // namespace hit_scan
