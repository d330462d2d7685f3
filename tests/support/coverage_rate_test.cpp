#include <gtest/gtest.h>

#include <cstdio>

#include "support/coverage_counts.h"

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

} // namespace
