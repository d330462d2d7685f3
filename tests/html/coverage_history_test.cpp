// The series of the charts: project-wide rates from the running totals of every
// record, a file's rates from its own records, and the thinning of long series.
#include <gtest/gtest.h>

#include "html/coverage_history.h"

namespace {

/// A coverage record: ten hits then ten totals, in values and in totals.
MeasureRecord record(uint32_t key, uint32_t date, const CoverageCounts &hits,
                     const CoverageCounts &totals, const CoverageCounts &projectHits,
                     const CoverageCounts &projectTotals) {
  MeasureRecord r;
  r.key = key;
  r.date = date;
  for (int i = 0; i < CntCount; ++i) {
    r.values.push_back(hits[i]);
    r.totals.push_back(projectHits[i]);
  }
  for (int i = 0; i < CntCount; ++i) {
    r.values.push_back(totals[i]);
    r.totals.push_back(projectTotals[i]);
  }
  return r;
}

CoverageCounts counts(std::initializer_list<std::pair<int, uint32_t>> set) {
  CoverageCounts c;
  for (auto [index, value] : set)
    c[index] = value;
  return c;
}

std::vector<double> rates(const std::vector<RatePoint> &points) {
  std::vector<double> out;
  for (const RatePoint &p : points)
    out.push_back(p.rate);
  return out;
}

TEST(CoverageHistory, ProjectRatesComeFromTheRunningTotalsAndFileRatesFromItsValues) {
  std::vector<MeasureRecord> records;
  // Key 1 measured, then key 2, then key 1 again with more calls hit.
  records.push_back(record(1, 10, counts({{CntCalls, 1}}), counts({{CntCalls, 4}}),
                           counts({{CntCalls, 1}}), counts({{CntCalls, 4}})));
  records.push_back(record(2, 11, counts({{CntCalls, 0}}), counts({{CntCalls, 4}}),
                           counts({{CntCalls, 1}}), counts({{CntCalls, 8}})));
  records.push_back(record(1, 12, counts({{CntCalls, 4}}), counts({{CntCalls, 4}}),
                           counts({{CntCalls, 4}}), counts({{CntCalls, 8}})));
  const CoverageHistory history(std::move(records));
  const RatedType &calls = kRatedTypes[RatedCalls];
  EXPECT_EQ(rates(history.projectSeries(calls)), (std::vector<double>{25.0, 12.5, 50.0}));
  const std::vector<RatePoint> own = history.keySeries(1, calls);
  EXPECT_EQ(rates(own), (std::vector<double>{25.0, 100.0}));
  EXPECT_EQ(own[1].record, 2u);
  EXPECT_EQ(own[1].date, 12u);
  EXPECT_TRUE(history.keySeries(3, calls).empty());
  EXPECT_FALSE(history.hasKey(3));
}

TEST(CoverageHistory, DecisionsAddBlocksAndNothingToCountGivesNoPoint) {
  std::vector<MeasureRecord> records;
  const CoverageCounts hits = counts({{CntStatementBlocks, 3}, {CntImplicitBlocks, 1}});
  const CoverageCounts totals = counts({{CntStatementBlocks, 4}, {CntImplicitBlocks, 4}});
  records.push_back(record(1, 10, hits, totals, hits, totals));
  // A damaged record whose hits exceed its totals stays on the chart.
  records.push_back(record(1, 11, counts({{CntLoops, 9}}), counts({{CntLoops, 3}}),
                           counts({{CntLoops, 9}}), counts({{CntLoops, 3}})));
  const CoverageHistory history(std::move(records));
  EXPECT_EQ(rates(history.projectSeries(kRatedTypes[RatedDecisions])), (std::vector<double>{50.0}));
  EXPECT_EQ(rates(history.projectSeries(kRatedTypes[RatedLoops])), (std::vector<double>{100.0}));
  EXPECT_TRUE(history.projectSeries(kRatedTypes[RatedCalls]).empty());
}

TEST(CoverageHistory, LongSeriesAreThinnedToTheLimitKeepingBothEnds) {
  std::vector<RatePoint> points;
  for (uint32_t i = 0; i < 1000; ++i)
    points.push_back(RatePoint{i, i, double(i % 100)});
  const std::vector<RatePoint> thin = thinSeries(points, 10);
  ASSERT_EQ(thin.size(), 10u);
  EXPECT_EQ(thin.front().record, 0u);
  EXPECT_EQ(thin.back().record, 999u);
  for (std::size_t i = 1; i < thin.size(); ++i)
    EXPECT_LT(thin[i - 1].record, thin[i].record);
  // A short series is kept whole.
  EXPECT_EQ(thinSeries(std::vector<RatePoint>(points.begin(), points.begin() + 10), 10).size(),
            10u);
}

} // namespace
