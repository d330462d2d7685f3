// The AVX-512 VBMI2 path: the AVX-512 block scan, with the lines of a block
// decoded and checked against the settled bits all at once where their hits would
// all be left out, or all be decoded ahead.
#include "trace/scan/path_functions.h"

#ifdef ZELTOCOV_X86_VECTORS

// GCC 12's headers fill the lanes that masks leave out from an undefined vector,
// which it then takes for an uninitialized variable (where the whole-block takers
// are inlined, here).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <algorithm>
#include <immintrin.h>

#include "trace/scan/x86/avx512_classify.h"
#include "trace/scan/x86/whole_decoded_blocks.h"
#include "trace/scan/x86/whole_kept_blocks.h"
#include "trace/scan/x86/whole_settled_blocks.h"

namespace hit_scan {

namespace {

[[gnu::target(ZELTOCOV_VBMI_TARGET), gnu::flatten]] DecodedLines
decodeAvx512Vbmi(std::string_view bytes, uint32_t *out, std::size_t capacity) {
  return decodeBlockPath<ClassifyAvx512, WholeDecodedBlocks>(bytes, out, capacity);
}

/// takeDecodedHits with AVX-512 VBMI2: eight lines whose hits would all be left
/// out are taken at once.
[[gnu::target(ZELTOCOV_VBMI_TARGET), gnu::flatten]] DecodedTake
takeDecodedVbmi(const uint32_t *decoded, std::size_t count, TraceHit *out, std::size_t capacity,
                const HitScanFilter &filter) {
  SettledSink sink(out, capacity, filter);
  const WholeSettledBlocks whole(sink);
  std::size_t lines = 0;
  bool full = sink.full();
  while (lines < count && !full) {
    if (count - lines >= 8) {
      const __m512i eight = _mm512_cvtepu32_epi64(
          _mm256_loadu_si256(reinterpret_cast<const __m256i *>(decoded + lines)));
      const __m512i kinds = _mm512_srli_epi64(eight, kDecodedKindShift);
      const __m512i ids = _mm512_and_si512(eight, _mm512_set1_epi64(kDecodedIdLimit - 1));
      uint32_t lastId = 0;
      unsigned lastKind = 0;
      if (whole.leftOut(kinds, ids, 0xFF, lastId, lastKind)) {
        if (lastKind) sink.noteDropped(lastKind, lastId);
        lines += 8;
        continue;
      }
    }
    for (const std::size_t stop = std::min(count, lines + 8); lines < stop && !full;) {
      const uint32_t line = decoded[lines++];
      full = !sink.take(decodedKind(line), decodedId(line));
    }
  }
  return DecodedTake{sink.finish(), lines};
}

/// takeDecodedHits with AVX-512 VBMI2, for the cleaned trace: sixteen lines
/// whose hits would all be left out are taken at once.
[[gnu::target(ZELTOCOV_VBMI_TARGET), gnu::flatten]] DecodedTake
takeDecodedKeptVbmi(const uint32_t *decoded, std::size_t count, TraceHit *out, std::size_t capacity,
                    const HitScanFilter &filter) {
  HitSink<true> sink(out, capacity, &filter, false);
  WholeKeptBlocks whole(sink, &filter);
  std::size_t lines = 0;
  while (lines < count && sink.hasRoom()) {
    if (whole.enabled() && count - lines >= 16) {
      const __m512i sixteen = _mm512_loadu_si512(decoded + lines);
      if (whole.leftOut(_mm512_srli_epi32(sixteen, kDecodedKindShift),
                        _mm512_and_si512(sixteen, _mm512_set1_epi32(kDecodedIdLimit - 1)),
                        0xFFFF)) {
        lines += 16;
        continue;
      }
    }
    for (const std::size_t stop = std::min(count, lines + 16); lines < stop && sink.hasRoom();) {
      const uint32_t line = decoded[lines++];
      sink.take(static_cast<uint8_t>(decodedKind(line)), decodedId(line), 1);
    }
  }
  return DecodedTake{sink.finish(), lines};
}

[[gnu::target(ZELTOCOV_VBMI_TARGET), gnu::flatten]] HitScan
scanAvx512Vbmi(std::string_view bytes, bool countOriented, TraceHit *out, std::size_t capacity,
               const HitScanFilter *filter) {
  return scanBlockPath<ClassifyAvx512, WholeSettledBlocks, WholeKeptBlocks>(bytes, countOriented,
                                                                            out, capacity, filter);
}

DecodedTake takeDecodedAvx512Vbmi(const uint32_t *decoded, std::size_t count, TraceHit *out,
                                  std::size_t capacity, const HitScanFilter &filter) {
  return filter.cleaning ? takeDecodedKeptVbmi(decoded, count, out, capacity, filter)
                         : takeDecodedVbmi(decoded, count, out, capacity, filter);
}

} // namespace

const PathFunctions kAvx512VbmiPath = {scanAvx512Vbmi, decodeAvx512Vbmi, takeDecodedAvx512Vbmi};

} // namespace hit_scan

#endif // ZELTOCOV_X86_VECTORS
