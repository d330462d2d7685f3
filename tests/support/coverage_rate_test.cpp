#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "support/coverage_rate.h"

namespace {

std::string printed(uint32_t hit, uint32_t total) {
  char text[32];
  std::snprintf(text, sizeof text, "%5.01f", coverageRate(hit, total));
  return text;
}

TEST(CoverageRate, IncompleteRateNeverShowsAsComplete) {
  EXPECT_DOUBLE_EQ(coverageRate(1999, 2000), 99.9);
  EXPECT_DOUBLE_EQ(coverageRate(3998, 4000), 99.9);
  // Just below the threshold the plain rate applies.
  EXPECT_NEAR(coverageRate(1998, 1999), 99.95, 0.001);
  // Totals near 2^32 must not wrap in the threshold products.
  EXPECT_DOUBLE_EQ(coverageRate(4000000000u, 4000000001u), 99.9);
}

TEST(CoverageRate, CountsBeyondThirtyTwoBitsKeepTheRules) {
  // Decisions add two 32-bit counters: their sums are rated in 64 bits.
  const uint64_t big = 2 * uint64_t{UINT32_MAX};
  EXPECT_DOUBLE_EQ(coverageRate(big - 1, big), 99.9);
  EXPECT_DOUBLE_EQ(coverageRate(1, big), 0.1);
  EXPECT_DOUBLE_EQ(coverageRate(big / 2, big), 50.0);
  EXPECT_DOUBLE_EQ(coverageRate(UINT64_MAX - 1, UINT64_MAX), 99.9);
}

TEST(CoverageRate, NonZeroRateNeverShowsAsZero) {
  EXPECT_DOUBLE_EQ(coverageRate(1, 2000), 0.1);
  EXPECT_DOUBLE_EQ(coverageRate(2, 4000000000u), 0.1);
  // 1 of 1999 is 0.050025: the rule does not apply but the format rounds up.
  EXPECT_NEAR(coverageRate(1, 1999), 0.050025, 0.000001);
  EXPECT_EQ(printed(1, 1999), "  0.1");
}

TEST(CoverageRate, EmptyAndCompleteAreExact) {
  EXPECT_DOUBLE_EQ(coverageRate(0, 5), 0.0);
  EXPECT_EQ(printed(0, 5), "  0.0");
  EXPECT_DOUBLE_EQ(coverageRate(5, 5), 100.0);
  EXPECT_EQ(printed(5, 5), "100.0");
  EXPECT_EQ(printed(1, 3), " 33.3");
  EXPECT_EQ(printed(2, 3), " 66.7");
}

TEST(CoverageRate, FormattedAsPrintfFormatsIt) {
  // Every rate of totals up to 1200, random ones up to 2^32, and values on and
  // next to halves of a tenth (rounded to even on the exact binary value), in
  // the report's width and in none.
  auto check = [](double rate) {
    for (int width : {0, 5}) {
      char expected[64], actual[kRateTextSize];
      std::snprintf(expected, sizeof expected, "%*.1f", width, rate);
      const std::size_t length = formatRate(rate, width, actual);
      ASSERT_EQ(std::string(actual, length), expected) << rate << " width " << width;
    }
  };
  for (uint32_t total = 1; total <= 1200; ++total)
    for (uint32_t hit = 0; hit <= total; ++hit)
      check(coverageRate(hit, total));
  std::mt19937 random(20261207);
  for (int i = 0; i < 200000; ++i) {
    const uint32_t total = static_cast<uint32_t>(random()) | 1u;
    check(coverageRate(static_cast<uint32_t>(random()) % total, total));
  }
  for (double rate : {0.0, 0.05, 0.15, 0.25, 0.35, 12.25, 12.75, 99.95, 99.25, 100.0, 0.45, 2.5,
                      1e14, 4294967295.0 * 100.0})
    for (double near : {std::nextafter(rate, 0.0), rate, std::nextafter(rate, 1e300)})
      check(near);
  check(-0.0);
}

TEST(CoverageRate, PercentTextHasOneDecimalAndTheSign) {
  EXPECT_EQ(percentText(coverageRate(4, 7)), "57.1%");
  EXPECT_EQ(percentText(coverageRate(5, 5)), "100.0%");
  EXPECT_EQ(percentText(coverageRate(1999, 2000)), "99.9%");
  // Halves of a tenth are rounded on the exact binary value, halves to even.
  EXPECT_EQ(percentText(0.25), "0.2%");
  EXPECT_EQ(percentText(12.75), "12.8%");
}

TEST(CoverageRate, TruncatedRatesAreCutNotRounded) {
  EXPECT_EQ(truncatedRate(2, 3, 2), "66.66");
  EXPECT_EQ(truncatedRate(1999, 2000, 2), "99.95");
  EXPECT_EQ(truncatedRate(99999, 100000, 2), "99.99");
  EXPECT_EQ(truncatedRate(1, 3, 0), "33");
  EXPECT_EQ(truncatedRate(1, 2000000, 2), "0.00");
  EXPECT_EQ(truncatedRate(5, 5, 3), "100.000");
  EXPECT_EQ(truncatedRate(1, 2, 9), "50.000000000");
}

} // namespace
