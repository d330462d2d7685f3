// The coverage gate of the command line (-FAILUNDER=<type>:<percent>[,...]): the
// coverage types it names and the thresholds it sets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/coverage_counts.h"
#include "support/coverage_types.h"

/// A coverage type as -FAILUNDER names it, with the report line it stands for.
struct GateType {
  /// The keyword of the type options (PROC, RET, CALL, ...).
  const char *keyword;
  /// The coverage-type bit that measures it.
  CoverageTypes type;
  /// Its counter; CntCount for DECISION, the statement and implicit blocks together.
  int counter;
};

/// The types that -FAILUNDER knows, in the order of the report lines.
extern const GateType kGateTypes[11];

/// The value of a type's counter in a record (DECISION sums two counters).
uint64_t gateValue(const CoverageCounts &counts, const GateType &type);

/// One threshold of -FAILUNDER.
struct CoverageThreshold {
  /// The gated type, an element of kGateTypes.
  const GateType *type = nullptr;
  /// The percentage in billionths of a percent (80.5 is 80500000000).
  uint64_t scaledPercent = 0;
  /// The percentage as written back in messages ("80.5", without needless zeros).
  std::string percentText;
};

/// Decimals that a threshold may have.
constexpr int kThresholdDecimals = 9;

/// How one -FAILUNDER value was read.
enum class ThresholdError {
  None,
  UnknownType,   ///< the type matches no keyword
  AmbiguousType, ///< the abbreviated type matches several keywords
  BadPercent,    ///< no ':', or the percentage is not a decimal number
  TooLarge,      ///< the percentage is above 100
};

/// Reads "<type>:<percent>": the type a keyword (any letter case) or an
/// unambiguous prefix of one, the percent a decimal number from 0 to 100 with at
/// most kThresholdDecimals decimals.
ThresholdError parseThreshold(const std::string &text, CoverageThreshold &threshold);

/// Whether hits reach a threshold, exactly: hit x 100 >= percent x total. A total
/// of 0 always passes.
bool meetsThreshold(uint64_t hit, uint64_t total, const CoverageThreshold &threshold);

/// The rate hit x 100 / total (total > 0) cut, not rounded, to `decimals`
/// decimals, so that a rate below a threshold never prints as the threshold.
std::string truncatedRate(uint64_t hit, uint64_t total, int decimals);
