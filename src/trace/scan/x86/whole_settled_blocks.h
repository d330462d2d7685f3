// Whole blocks of the common case of the filtered scan (plain hit lines without
// count, to the model alone) taken at once with AVX-512 VBMI2.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

#include "trace/scan/settled_sink.h"
#include "trace/scan/x86/vbmi_lanes.h"

namespace hit_scan {

/// With AVX-512 VBMI2: the lines of a block decoded all at once (in sixteen lanes,
/// or eight at a time for long IDs) and checked against the settled bits all at
/// once (the words picked from vectors, or gathered). A block whose lines would
/// all be left out by the sink, on settled branches or of kinds not counted, is
/// taken whole; any other block is left to the line-by-line taking (a first hit,
/// a hit the dense slots cannot place, a letter that is no kind).
class WholeSettledBlocks {
public:
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] explicit WholeSettledBlocks(SettledSink &sink)
      : sink_(sink) {
    alignas(64) uint64_t dense[8] = {}, settled[8] = {}, counted[8] = {};
    for (unsigned kind = KindProcPoint; kind <= KindCondition; ++kind) {
      const KindCheck &check = sink.check(kind);
      dense[kind] = check.denseSize;
      settled[kind] = reinterpret_cast<uintptr_t>(check.settled);
      counted[kind] = sink.counted() >> kind & 1u;
      const std::size_t words = std::min<std::size_t>((check.denseSize + 63) / 64, 8);
      fewWords_ = fewWords_ && (check.denseSize + 63) / 64 <= 8;
      wordMask_[kind] = static_cast<__mmask8>((1u << words) - 1);
      // Two 32-bit words to each word of settled bits.
      dwordMask_[kind] = static_cast<__mmask16>((1u << (2 * words)) - 1);
    }
    denseSizes_ = _mm512_load_si512(dense);
    settledWords_ = _mm512_load_si512(settled);
    countedKinds_ = _mm512_load_si512(counted);
    // The same by lanes of 32 bits (sizes past 2^32 - 1 saturate).
    denseSizes32_ = _mm512_zextsi256_si512(_mm512_cvtusepi64_epi32(denseSizes_));
    countedKinds32_ = _mm512_zextsi256_si512(_mm512_cvtepi64_epi32(countedKinds_));
  }

  /// Takes the lines of the block at `p` that end at `ends` (not 0; plain hit
  /// lines as far as the block's masks tell): their bytes, or 0 when they are left
  /// to the line-by-line taking.
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] unsigned operator()(const unsigned char *p, uint64_t ends) {
    uint32_t lastId = 0;
    unsigned lastKind = 0;
    const BlockLines lines(p, ends);
    __m512i kinds16, ids16;
    __mmask16 lanes16;
    switch (decodeSixteenLanes(lines, kinds16, ids16, lanes16)) {
    case SixteenLanes::Decoded:
      if (!sixteenLeftOut(kinds16, ids16, lanes16, lastId, lastKind)) return 0;
      break;
    case SixteenLanes::NoKind:
      return 0;
    case SixteenLanes::LongIds:
      for (unsigned first = 0; first < lines.lines; first += 8) {
        __m512i kinds, ids;
        __mmask8 lanes;
        if (!decodeEightLanes(lines, first, kinds, ids, lanes) ||
            !leftOut(kinds, ids, lanes, lastId, lastKind))
          return 0;
      }
      break;
    }
    if (lastKind) sink_.noteDropped(lastKind, lastId);
    return lines.bytes;
  }

  /// The lines of a block decoded in sixteen lanes (decodeSixteenLanes) and
  /// checked as leftOut checks them: whether they are all left out (the last
  /// counted one in lastId and lastKind), false when some line is to be taken.
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] bool sixteenLeftOut(__m512i kinds, __m512i ids,
                                                            __mmask16 lanes, uint32_t &lastId,
                                                            unsigned &lastKind) const {
    if (fewWords_) return leftOut16(kinds, ids, lanes, lastId, lastKind);
    // Settled bits gathered: eight lanes of 64 bits at a time.
    for (unsigned half = 0; half < 2 && (lanes >> (8 * half)); ++half) {
      const __m256i kindsHalf =
          half ? _mm512_extracti64x4_epi64(kinds, 1) : _mm512_castsi512_si256(kinds);
      const __m256i idsHalf =
          half ? _mm512_extracti64x4_epi64(ids, 1) : _mm512_castsi512_si256(ids);
      const auto halfLanes = static_cast<__mmask8>(lanes >> (8 * half));
      if (!leftOut(_mm512_cvtepu32_epi64(kindsHalf), _mm512_cvtepu32_epi64(idsHalf), halfLanes,
                   lastId, lastKind))
        return false;
    }
    return true;
  }

  /// leftOut for sixteen lanes of 32 bits, when every kind's settled bits fit in
  /// a vector.
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] bool leftOut16(__m512i kinds, __m512i ids, __mmask16 lanes,
                                                       uint32_t &lastId, unsigned &lastKind) const {
    const __m512i kindCounted = _mm512_permutexvar_epi32(kinds, countedKinds32_);
    const __mmask16 counted = _mm512_mask_test_epi32_mask(lanes, kindCounted, kindCounted);
    const __mmask16 dense =
        _mm512_mask_cmplt_epu32_mask(counted, ids, _mm512_permutexvar_epi32(kinds, denseSizes32_));
    const __m512i word = _mm512_srli_epi32(ids, 5);
    __m512i settledWords = _mm512_setzero_si512();
    for (unsigned kind = KindProcPoint; kind <= KindCondition; ++kind)
      settledWords = _mm512_mask_permutexvar_epi32(
          settledWords, _mm512_mask_cmpeq_epi32_mask(dense, kinds, _mm512_set1_epi32(kind)), word,
          _mm512_maskz_loadu_epi32(dwordMask_[kind], sink_.check(kind).settled));
    const __mmask16 settled = _mm512_mask_test_epi32_mask(
        dense, _mm512_srlv_epi32(settledWords, _mm512_and_si512(ids, _mm512_set1_epi32(31))),
        _mm512_set1_epi32(1));
    if (settled != counted) return false;
    if (counted) lastLaneOf(counted, kinds, ids, lastKind, lastId);
    return true;
  }

  /// Whether the `lanes` of eight lines of `kinds` and `ids` (qword lanes) are all
  /// of kinds not counted or on settled branches; the last of them counted, if
  /// any, goes to `lastId` and `lastKind`.
  [[gnu::target(ZELTOCOV_VBMI_TARGET)]] bool leftOut(__m512i kinds, __m512i ids, __mmask8 lanes,
                                                     uint32_t &lastId, unsigned &lastKind) const {
    // Lines of counted kinds, on dense slots, on settled branches.
    const __m512i kindCounted = _mm512_permutexvar_epi64(kinds, countedKinds_);
    const __mmask8 counted = _mm512_mask_test_epi64_mask(lanes, kindCounted, kindCounted);
    const __mmask8 dense =
        _mm512_mask_cmplt_epu64_mask(counted, ids, _mm512_permutexvar_epi64(kinds, denseSizes_));
    __m512i settledWords;
    if (fewWords_) {
      // Each kind's settled bits fit in a vector: the words are picked from them.
      const __m512i word = _mm512_srli_epi64(ids, 6);
      settledWords = _mm512_setzero_si512();
      for (unsigned kind = KindProcPoint; kind <= KindCondition; ++kind)
        settledWords = _mm512_mask_permutexvar_epi64(
            settledWords, _mm512_mask_cmpeq_epi64_mask(dense, kinds, _mm512_set1_epi64(kind)), word,
            _mm512_maskz_loadu_epi64(wordMask_[kind], sink_.check(kind).settled));
    } else {
      const __m512i words = _mm512_add_epi64(_mm512_permutexvar_epi64(kinds, settledWords_),
                                             _mm512_slli_epi64(_mm512_srli_epi64(ids, 6), 3));
      settledWords = _mm512_mask_i64gather_epi64(_mm512_setzero_si512(), dense, words, nullptr, 1);
    }
    const __mmask8 settled = _mm512_mask_test_epi64_mask(
        dense, _mm512_srlv_epi64(settledWords, _mm512_and_si512(ids, _mm512_set1_epi64(63))),
        _mm512_set1_epi64(1));
    if (settled != counted) return false;
    if (counted) {
      const __m512i lane = _mm512_set1_epi64(31 - __builtin_clz(counted));
      lastId = static_cast<uint32_t>(
          _mm_cvtsi128_si64(_mm512_castsi512_si128(_mm512_permutexvar_epi64(lane, ids))));
      lastKind = static_cast<unsigned>(
          _mm_cvtsi128_si64(_mm512_castsi512_si128(_mm512_permutexvar_epi64(lane, kinds))));
    }
    return true;
  }

private:
  SettledSink &sink_;
  /// By kind (lane): the dense slots' count, the address of the settled bits,
  /// 1 when the model counts the kind.
  __m512i denseSizes_;
  __m512i settledWords_;
  __m512i countedKinds_;
  /// Every kind's settled bits are at most 8 words (`wordMask_` of them, by kind).
  bool fewWords_ = true;
  __mmask8 wordMask_[5] = {};
  /// The same by lanes of 32 bits.
  __m512i denseSizes32_;
  __m512i countedKinds32_;
  __mmask16 dwordMask_[5] = {};
};

} // namespace hit_scan
