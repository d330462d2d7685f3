#include "html/coverage_history.h"

#include "measures/measure_export.h"
#include "measures/measure_paths.h"
#include "measures/measure_reader.h"
#include "support/coverage_rate.h"
#include "support/host_services.h"

namespace {

/// Sub values of a coverage measure: ten hits, then ten totals.
constexpr std::size_t kCoverageValues = 2 * CntCount;

/// The hits and totals of a line from 20 values (hits first).
bool pointOf(const std::vector<uint32_t> &values, const RatedType &rated, double &rate) {
  CoverageCounts hits, totals;
  for (int i = 0; i < CntCount; ++i) {
    hits[i] = values[i];
    totals[i] = values[CntCount + i];
  }
  const uint64_t total = ratedValue(totals, rated);
  if (total == 0) return false;
  uint64_t hit = ratedValue(hits, rated);
  // A damaged record must not draw a point above the chart.
  if (hit > total) hit = total;
  rate = coverageRate(hit, total);
  return true;
}

/// Adds the point of record `record` to a series, unless the type has nothing to
/// count in its values.
void addPoint(std::vector<RatePoint> &points, const MeasureRecord &measure, uint32_t record,
              const std::vector<uint32_t> &values, const RatedType &rated) {
  RatePoint point;
  if (!pointOf(values, rated, point.rate)) return;
  point.date = measure.date;
  point.record = record;
  points.push_back(point);
}

} // namespace

CoverageHistory::CoverageHistory(std::vector<MeasureRecord> records)
    : records_(std::move(records)) {
  for (uint32_t i = 0; i < records_.size(); ++i)
    byKey_[records_[i].key].push_back(i);
}

std::optional<CoverageHistory> CoverageHistory::load(const std::optional<std::string> &root) {
  if (!root) return std::nullopt;
  const std::optional<std::string> user = measureUserName();
  if (!user) return std::nullopt;
  const MeasurePaths paths = measurePaths(*root, kCoverageMeasure, *user, kCoverageValues);
  std::optional<std::vector<MeasureRecord>> records =
      readMeasureRecords(paths.database, kCoverageValues);
  if (!records) return std::nullopt;
  return CoverageHistory(std::move(*records));
}

std::vector<RatePoint> CoverageHistory::projectSeries(const RatedType &rated) const {
  std::vector<RatePoint> points;
  for (uint32_t i = 0; i < records_.size(); ++i)
    addPoint(points, records_[i], i, records_[i].totals, rated);
  return points;
}

std::vector<RatePoint> CoverageHistory::keySeries(uint32_t key, const RatedType &rated) const {
  std::vector<RatePoint> points;
  const auto found = byKey_.find(key);
  if (found == byKey_.end()) return points;
  for (uint32_t i : found->second)
    addPoint(points, records_[i], i, records_[i].values, rated);
  return points;
}

std::vector<RatePoint> thinSeries(const std::vector<RatePoint> &points, std::size_t limit) {
  if (limit < 2) limit = 2;
  if (points.size() <= limit) return points;
  std::vector<RatePoint> thin;
  thin.reserve(limit);
  thin.push_back(points.front());
  const std::size_t inner = points.size() - 2;
  const std::size_t runs = limit - 2;
  for (std::size_t run = 1; run <= runs; ++run) {
    // The last of the points 1 .. inner that fall in this run.
    const std::size_t last = run * inner / runs;
    thin.push_back(points[last]);
  }
  thin.push_back(points.back());
  return thin;
}
