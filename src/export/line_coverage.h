// Coverage by source line, as the Cobertura output shows it: the lines that hold
// items, the largest hit count of each line's items, and its condition outcomes.
#pragma once

#include <cstdint>
#include <vector>

#include "support/coverage_types.h"

struct Service;

/// One source line holding items.
struct LineCoverage {
  uint32_t line = 0;
  /// The largest hit count of its items over the run (1 or 0 for each item when
  /// the run is not count-oriented).
  uint32_t hits = 0;
  /// Basic-condition outcomes on the line.
  uint32_t outcomes = 0;
  /// Those of them hit.
  uint32_t outcomesHit = 0;
};

/// Line and outcome counts of a set of lines.
struct LineTotals {
  uint64_t linesValid = 0;
  uint64_t linesCovered = 0;
  uint64_t branchesValid = 0;
  uint64_t branchesCovered = 0;
  LineTotals &operator+=(const LineTotals &other);
};

/// The lines of the items of a service that a mask counts (placed as the
/// listings place them), in increasing line order.
std::vector<LineCoverage> serviceLines(const Service &service, CoverageTypes mask,
                                       bool countOriented);

/// The lines in increasing order, each once: a line met several times keeps the
/// largest hit count and the sum of the outcomes.
std::vector<LineCoverage> combineLines(std::vector<LineCoverage> lines);

LineTotals totalsOf(const std::vector<LineCoverage> &lines);
