// The coverage gate (-FAILUNDER): each threshold compared exactly with the totals
// of the run's conclusion.
#pragma once

#include <string>
#include <vector>

#include "cli/coverage_thresholds.h"
#include "support/coverage_counts.h"
#include "support/coverage_types.h"

struct ChangeReport;
/// How one threshold fared.
struct GateResult {
  const CoverageThreshold *threshold = nullptr;
  uint64_t hit = 0;
  uint64_t total = 0;
  /// The run measures the type (its bit is in the run's mask); the hits of a type
  /// left out are not counted, so a total above 0 cannot meet any threshold.
  bool measured = true;
  bool passed = true;
};

/// Compares each threshold, in command-line order, with the run's counts; the
/// threshold of the changed lines with the changed lines that carry items
/// (`changes`; none passes).
std::vector<GateResult> evaluateGate(const std::vector<CoverageThreshold> &thresholds,
                                     const CoverageCounts &totals, const CoverageCounts &hits,
                                     CoverageTypes runMask, const ChangeReport *changes = nullptr);

/// The rate of a result as its failure message shows it: cut to two decimals,
/// or to as many as the threshold has.
std::string gateRateText(const GateResult &result);

/// Writes one error message per failed threshold; returns whether any failed.
bool reportGateFailures(const std::vector<GateResult> &results);
