// The series of the charts: project-wide rates from the running totals of every
// record, a file's rates from its own records, and the thinning of long series.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <unordered_set>

#include "html/coverage_history.h"
#include "test_support.h"

namespace {

/// Sets an environment variable until the object goes away.
class ScopedEnv {
public:
  ScopedEnv(const char *name, const std::string &value) : name_(name) {
    if (const char *old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

private:
  const char *name_;
  std::optional<std::string> old_;
};

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

TEST(CoverageHistory, OnePointPerRunAtTheRunsLastRecord) {
  // A first run measures three files (running totals 40 %, 50 %, then 28.6 % of
  // calls), a second run the same files a day later.
  std::vector<MeasureRecord> records;
  const CoverageCounts none;
  records.push_back(record(1, 1000, none, none, counts({{CntCalls, 2}}), counts({{CntCalls, 5}})));
  records.push_back(record(2, 1000, none, none, counts({{CntCalls, 3}}), counts({{CntCalls, 6}})));
  records.push_back(record(3, 1000, none, none, counts({{CntCalls, 4}}), counts({{CntCalls, 14}})));
  records.push_back(
      record(1, 87400, none, none, counts({{CntCalls, 5}}), counts({{CntCalls, 14}})));
  records.push_back(
      record(2, 87400, none, none, counts({{CntCalls, 6}}), counts({{CntCalls, 14}})));
  records.push_back(
      record(3, 87400, none, none, counts({{CntCalls, 7}}), counts({{CntCalls, 14}})));
  // A third run in the same second as the second one: told apart by its keys
  // coming again.
  records.push_back(
      record(1, 87400, none, none, counts({{CntCalls, 14}}), counts({{CntCalls, 14}})));
  const CoverageHistory history(records);
  const std::vector<RatePoint> points = history.projectSeries(kRatedTypes[RatedCalls]);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(rates(points), (std::vector<double>{400.0 / 14, 50.0, 100.0}));
  EXPECT_EQ(points[0].date, 1000u);
  EXPECT_EQ(points[0].record, 2u);
  EXPECT_EQ(points[1].date, 87400u);
  EXPECT_EQ(points[1].record, 5u);
  EXPECT_EQ(points[2].record, 6u);
}

TEST(CoverageHistory, SeriesStayWithinTheChartWhateverTheNumberOfRuns) {
  // Only the wanted keys get series of their own.
  const std::unordered_set<uint32_t> wanted{1};
  CoverageHistory history(&wanted);
  MeasureRecord one = record(1, 0, counts({{CntCalls, 1}}), counts({{CntCalls, 2}}),
                             counts({{CntCalls, 1}}), counts({{CntCalls, 2}}));
  MeasureRecord other = one;
  other.key = 2;
  constexpr uint32_t kRuns = 200000;
  for (uint32_t run = 0; run < kRuns; ++run) {
    one.date = other.date = run;
    one.values[CntCalls] = run % 3;
    history.add(one);
    history.add(other);
  }
  EXPECT_EQ(history.size(), 2u * kRuns);
  EXPECT_FALSE(history.hasKey(2));
  for (const std::vector<RatePoint> &points : {history.projectSeries(kRatedTypes[RatedCalls]),
                                               history.keySeries(1, kRatedTypes[RatedCalls])}) {
    EXPECT_LE(points.size(), kHistoryPointLimit);
    EXPECT_GE(points.size(), kHistoryPointLimit / 2);
    // The first run and the latest are drawn, the others spread evenly between.
    EXPECT_EQ(points.front().date, 0u);
    EXPECT_EQ(points.back().date, kRuns - 1);
    const uint32_t step = points[1].date - points[0].date;
    for (std::size_t i = 1; i + 1 < points.size(); ++i)
      EXPECT_EQ(points[i].date - points[i - 1].date, step) << i;
  }
}

TEST(CoverageHistory, ADatabaseIsReadAsAStream) {
  // A sparse database file of 300 MB that takes no room on disk: its records
  // are read and let go, never held all at once.
  TempDir dir;
  std::filesystem::create_directories(dir.path() + "/Coverage");
  ScopedEnv user("ZELTO_TPM_USER", "ann");
  const std::string path = dir.path() + "/Coverage/ann.20.tpm";
  { std::ofstream create(path); }
  std::filesystem::resize_file(path, 300u << 20);
  struct rusage before {};
  getrusage(RUSAGE_SELF, &before);
  const std::optional<CoverageHistory> history = CoverageHistory::load(dir.path());
  struct rusage after {};
  getrusage(RUSAGE_SELF, &after);
  ASSERT_TRUE(history);
  EXPECT_EQ(history->size(), (300u << 20) / 168);
  // Records of nothing to count draw no point.
  EXPECT_TRUE(history->projectSeries(kRatedTypes[RatedCalls]).empty());
  // Peak memory (kilobytes) grew by far less than the file.
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 32 * 1024);
}

} // namespace
