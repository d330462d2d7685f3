// Hits kept for the cleaned trace between two of its sections.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

/// Hits pending for the cleaned trace, for one kind of one file-part.
struct PendingHitArray {
  /// The array exists: hits were stored since the last written section.
  bool present = false;
  /// FDC parts: counters indexed by ID (as many as the file's branches of the kind).
  std::vector<uint32_t> dense;
  /// FDC parts: bit ID set when the counter of ID is not 0 (a scan reads many at
  /// once).
  std::vector<uint64_t> denseBits;
  /// Placeholders: counters of the IDs actually hit (IDs may be anything).
  std::unordered_map<uint32_t, uint32_t> sparse;
};

/// Makes the counters of an FDC part's kind, all 0.
inline void makeDenseCounters(PendingHitArray &hits, uint32_t size) {
  hits.dense.assign(size, 0);
  hits.denseBits.assign((static_cast<std::size_t>(size) + 63) / 64, 0);
  hits.present = true;
}

/// Counts `count` (not 0) hits on a counter: adds them up to the largest count
/// when `accumulate`, sets it to 1 otherwise.
inline void countHits(uint32_t &counter, uint32_t count, bool accumulate) {
  if (accumulate)
    counter = counter > UINT32_MAX - count ? UINT32_MAX : counter + count;
  else
    counter = 1;
}

/// countHits on the counter of `id` of an FDC part's kind.
inline void countDense(PendingHitArray &hits, uint32_t id, uint32_t count, bool accumulate) {
  countHits(hits.dense[id], count, accumulate);
  hits.denseBits[id / 64] |= uint64_t{1} << (id % 64);
}

/// The pending hits of one file-part, by kind (TP, TA, TB, TE).
using PendingHits = std::array<PendingHitArray, 4>;
