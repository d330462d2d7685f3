// Rates: the percentage rule that every output applies to a hit count and a
// total, and the texts of a rate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// Percentage of hit over total (total > 0): 99.9 for an incomplete rate that
/// would round to 100.0, 0.1 for a non-zero rate that would round to 0.0.
double coverageRate(uint64_t hit, uint64_t total);

/// Room that formatRate needs.
inline constexpr std::size_t kRateTextSize = 32;
/// Writes `rate` (a coverageRate) with one decimal, right-aligned in `width`
/// characters, as printf's "%*.1f" writes it (the same rounding of the binary
/// value, halves to even), to `out` (kRateTextSize bytes); its length.
std::size_t formatRate(double rate, int width, char *out);

/// A rate with one decimal and a percent sign: "57.1%".
std::string percentText(double rate);

/// The rate hit x 100 / total (total > 0) cut, not rounded, to `decimals`
/// decimals, so that a rate below a threshold never prints as the threshold.
std::string truncatedRate(uint64_t hit, uint64_t total, int decimals);
