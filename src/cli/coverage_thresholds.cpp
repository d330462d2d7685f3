#include "cli/coverage_thresholds.h"

#include <cstddef>
#include <iterator>

#include "support/keyword_match.h"

namespace {

using Wide = unsigned __int128;

constexpr uint64_t kScale = 1000000000; // 10^kThresholdDecimals

/// The type that a type text names: a keyword, or an unambiguous prefix of one;
/// `changed` for the changed lines.
const RatedType *matchType(const std::string &text, bool &ambiguous, bool &changed) {
  const std::size_t types = std::size(kRatedTypes);
  const KeywordChoice choice = chooseKeyword(text, types + 1, [&](std::size_t i) {
    return i < types ? kRatedTypes[i].keyword : kChangedLinesKeyword;
  });
  ambiguous = choice.ambiguous;
  changed = choice.index == types;
  return choice.index == KeywordChoice::kNone || changed ? nullptr : &kRatedTypes[choice.index];
}

} // namespace

ThresholdError parseThreshold(const std::string &text, CoverageThreshold &threshold) {
  const std::size_t colon = text.find(':');
  bool ambiguous = false, changed = false;
  const RatedType *type = matchType(text.substr(0, colon), ambiguous, changed);
  if (ambiguous) return ThresholdError::AmbiguousType;
  if (!type && !changed) return ThresholdError::UnknownType;
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

const char *thresholdKeyword(const CoverageThreshold &threshold) {
  return threshold.type ? threshold.type->keyword : kChangedLinesKeyword;
}

bool meetsThreshold(uint64_t hit, uint64_t total, const CoverageThreshold &threshold) {
  if (total == 0) return true;
  return Wide{hit} * 100 * kScale >= Wide{threshold.scaledPercent} * total;
}
