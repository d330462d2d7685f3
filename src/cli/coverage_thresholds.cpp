#include "cli/coverage_thresholds.h"

#include <cstddef>
#include <iterator>

#include "support/keyword_match.h"

const GateType kGateTypes[11] = {
    {"PROC", CovFunctions, CntFunctions},
    {"RET", CovFunctionsExits, CntFunctionsExits},
    {"CALL", CovCalls, CntCalls},
    {"BLOCK", CovStatementBlocks, CntStatementBlocks},
    {"IMPLICIT", CovImplicitBlocks, CntImplicitBlocks},
    {"DECISION", CovImplicitBlocks, CntCount},
    {"LOGICAL", CovLoops, CntLoops},
    {"ATC", CovAsyncBlocks, CntAsyncBlocks},
    {"COND", CovBasicConditions, CntBasicConditions},
    {"MODIFIED", CovModifiedConditions, CntModifiedConditions},
    {"COMPOUND", CovCompoundConditions, CntCompoundConditions},
};

namespace {

using Wide = unsigned __int128;

constexpr uint64_t kScale = 1000000000; // 10^kThresholdDecimals

/// The type that a type text names: a keyword, or an unambiguous prefix of one.
const GateType *matchType(const std::string &text, bool &ambiguous) {
  const KeywordChoice choice = chooseKeyword(text, std::size(kGateTypes),
                                             [](std::size_t i) { return kGateTypes[i].keyword; });
  ambiguous = choice.ambiguous;
  return choice.index == KeywordChoice::kNone ? nullptr : &kGateTypes[choice.index];
}

} // namespace

uint64_t gateValue(const CoverageCounts &counts, const GateType &type) {
  if (type.counter == CntCount)
    return uint64_t{counts[CntStatementBlocks]} + counts[CntImplicitBlocks];
  return counts[type.counter];
}

ThresholdError parseThreshold(const std::string &text, CoverageThreshold &threshold) {
  const std::size_t colon = text.find(':');
  bool ambiguous = false;
  const GateType *type = matchType(text.substr(0, colon), ambiguous);
  if (ambiguous) return ThresholdError::AmbiguousType;
  if (!type) return ThresholdError::UnknownType;
  if (colon == std::string::npos) return ThresholdError::BadPercent;

  // Digits, at most one point, at least one digit, and no more decimals than kept.
  const std::string number = text.substr(colon + 1);
  uint64_t whole = 0, fraction = 0;
  int decimals = 0, digits = 0;
  bool point = false;
  for (char c : number) {
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return ThresholdError::BadPercent;
    ++digits;
    if (point) {
      if (++decimals > kThresholdDecimals) return ThresholdError::BadPercent;
      fraction = fraction * 10 + static_cast<uint64_t>(c - '0');
    } else {
      whole = whole * 10 + static_cast<uint64_t>(c - '0');
      if (whole > 100) return ThresholdError::TooLarge;
    }
  }
  if (digits == 0) return ThresholdError::BadPercent;
  for (int d = decimals; d < kThresholdDecimals; ++d)
    fraction *= 10;
  const uint64_t scaled = whole * kScale + fraction;
  if (scaled > 100 * kScale) return ThresholdError::TooLarge;

  threshold.type = type;
  threshold.scaledPercent = scaled;
  threshold.percentText = std::to_string(whole);
  if (fraction) {
    std::string decimalsText = std::to_string(fraction + kScale).substr(1);
    while (decimalsText.back() == '0')
      decimalsText.pop_back();
    threshold.percentText += "." + decimalsText;
  }
  return ThresholdError::None;
}

bool meetsThreshold(uint64_t hit, uint64_t total, const CoverageThreshold &threshold) {
  if (total == 0) return true;
  return Wide{hit} * 100 * kScale >= Wide{threshold.scaledPercent} * total;
}

std::string truncatedRate(uint64_t hit, uint64_t total, int decimals) {
  if (total == 0) return "0";
  Wide scale = 1;
  for (int d = 0; d < decimals; ++d)
    scale *= 10;
  const Wide scaled = Wide{hit} * 100 * scale / total;
  const uint64_t whole = static_cast<uint64_t>(scaled / scale);
  std::string text = std::to_string(whole);
  if (decimals > 0) {
    const uint64_t fraction = static_cast<uint64_t>(scaled % scale);
    std::string digits = std::to_string(fraction);
    text += "." + std::string(static_cast<std::size_t>(decimals) - digits.size(), '0') + digits;
  }
  return text;
}
