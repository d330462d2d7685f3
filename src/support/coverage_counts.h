// The ten coverage counters of a service, a file or a run.
#pragma once

#include <cstdint>

/// Positions of the ten counters of CoverageCounts.
enum CountIndex : int {
  CntFunctions = 0,      ///< in a service: its entry mark (0 or 1)
  CntFunctionsExits = 1, ///< procedure points: entry and exits
  CntCalls = 2,
  CntStatementBlocks = 3, ///< simple blocks
  CntImplicitBlocks = 4,
  CntLoops = 5,       ///< logical blocks
  CntAsyncBlocks = 6, ///< asynchronous transfer blocks
  CntBasicConditions = 7,
  CntModifiedConditions = 8,
  CntCompoundConditions = 9, ///< compound condition vectors
  CntCount = 10,
};

/// Ten unsigned counters, totals or hits, in CountIndex order.
struct CoverageCounts {
  /// The counters.
  uint32_t c[CntCount] = {};
  uint32_t &operator[](int i) { return c[i]; }
  uint32_t operator[](int i) const { return c[i]; }
  CoverageCounts &operator+=(const CoverageCounts &other) {
    for (int i = 0; i < CntCount; ++i)
      c[i] += other.c[i];
    return *this;
  }
  void clear() { *this = CoverageCounts{}; }
  /// Whether any counter is non-zero.
  bool any() const {
    for (uint32_t v : c)
      if (v) return true;
    return false;
  }
};
