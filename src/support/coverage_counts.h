// The ten coverage counters of a service, a file or a run, and the rate rule that
// every output applies to them.
#pragma once

#include <cstddef>
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

/// Percentage of hit over total (total > 0): 99.9 for an incomplete rate that
/// would round to 100.0, 0.1 for a non-zero rate that would round to 0.0.
double coverageRate(uint32_t hit, uint32_t total);

/// Room that formatRate needs.
inline constexpr std::size_t kRateTextSize = 32;
/// Writes `rate` (a coverageRate) with one decimal, right-aligned in `width`
/// characters, as printf's "%*.1f" writes it (the same rounding of the binary
/// value, halves to even), to `out` (kRateTextSize bytes); its length.
std::size_t formatRate(double rate, int width, char *out);
