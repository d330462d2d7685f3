// Counting a hit into a branch and the counters of its service.
#pragma once

#include <cstdint>

#include "model/coverage_records.h"

/// value + count, held at kHitCountCeiling.
inline uint32_t saturatingAdd(uint32_t value, uint32_t count) {
  const uint64_t sum = static_cast<uint64_t>(value) + count;
  return sum > kHitCountCeiling ? kHitCountCeiling : static_cast<uint32_t>(sum);
}

/// Counts a hit on a branch or item of a service (first-hit rules, saturating add).
void markBranchHit(Service &service, HitState &item, uint16_t type, uint32_t count, bool add);

/// The fatal format error of a trace hit whose instrumentation ID no branch of the
/// file holds.
[[noreturn]] void reportUnknownBranch(const SourceFile &file, uint32_t id);

/// Counts one item of a coverage type into counters: an entry sets the
/// functions counter and adds one to functions and exits; any other type adds one
/// to its own counter; 0 counts nothing.
void countType(CoverageCounts &counts, CoverageTypes type);
