// The coverage gate of the command line (-FAILUNDER=<type>:<percent>[,...]): the
// thresholds it sets, each on one of the rated types.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/rated_types.h"
#include "support/run_settings.h"

/// The keyword of the threshold on the changed lines of -CHANGES.
constexpr const char *kChangedLinesKeyword = "CHANGED";

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
/// unambiguous prefix of one (CHANGED: the changed lines, the type left null), the percent a
/// decimal number from 0 to 100 with at most kThresholdDecimals decimals.
ThresholdError parseThreshold(const std::string &text, CoverageThreshold &threshold);

/// The keyword of the threshold's type, or CHANGED.
const char *thresholdKeyword(const CoverageThreshold &threshold);

/// Whether hits reach a threshold, exactly: hit x 100 >= percent x total. A total
/// of 0 always passes.
bool meetsThreshold(uint64_t hit, uint64_t total, const CoverageThreshold &threshold);
