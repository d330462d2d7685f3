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
  /// Placeholders: counters of the IDs actually hit (IDs may be anything).
  std::unordered_map<uint32_t, uint32_t> sparse;
};

/// The pending hits of one file-part, by kind (TP, TA, TB, TE).
using PendingHits = std::array<PendingHitArray, 4>;
