#include "html/coverage_history.h"

#include "measures/measure_export.h"
#include "measures/measure_paths.h"
#include "measures/measure_reader.h"
#include "support/coverage_rate.h"
#include "support/host_services.h"

namespace {

/// Sub values of a coverage measure: ten hits, then ten totals.
constexpr std::size_t kCoverageValues = 2 * CntCount;

/// The rate of a type from 20 values (hits first); false when the type has
/// nothing to count.
bool rateOf(const std::array<uint32_t, kCoverageValues> &values, const RatedType &rated,
            double &rate) {
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

std::vector<RatePoint> seriesOf(const HistorySampler &sampler, const RatedType &rated) {
  std::vector<RatePoint> points;
  for (const HistorySample &sample : sampler.samples()) {
    RatePoint point;
    if (!rateOf(sample.values, rated, point.rate)) continue;
    point.date = sample.date;
    point.record = sample.record;
    points.push_back(point);
  }
  return points;
}

HistorySample sampleOf(const MeasureRecord &record, uint32_t position,
                       const std::vector<uint32_t> &values) {
  HistorySample sample;
  sample.date = record.date;
  sample.record = position;
  for (std::size_t i = 0; i < kCoverageValues && i < values.size(); ++i)
    sample.values[i] = values[i];
  return sample;
}

} // namespace

void HistorySampler::add(const HistorySample &sample) {
  if (seen_ % stride_ == 0) {
    kept_.push_back(sample);
    // One place is left for the latest sample.
    if (kept_.size() == kHistoryPointLimit - 1) {
      std::size_t to = 0;
      for (std::size_t from = 0; from < kept_.size(); from += 2)
        kept_[to++] = kept_[from];
      kept_.resize(to);
      stride_ *= 2;
    }
  }
  ++seen_;
  latest_ = sample;
}

std::vector<HistorySample> HistorySampler::samples() const {
  std::vector<HistorySample> all = kept_;
  if (latest_ && (all.empty() || all.back().record != latest_->record)) all.push_back(*latest_);
  return all;
}

CoverageHistory::CoverageHistory(const std::unordered_set<uint32_t> *wanted) : wanted_(wanted) {}

CoverageHistory::CoverageHistory(const std::vector<MeasureRecord> &records) {
  for (const MeasureRecord &record : records)
    add(record);
}

std::optional<CoverageHistory> CoverageHistory::load(const std::optional<std::string> &root,
                                                     const std::unordered_set<uint32_t> *wanted) {
  if (!root) return std::nullopt;
  const std::optional<std::string> user = measureUserName();
  if (!user) return std::nullopt;
  const MeasurePaths paths = measurePaths(*root, kCoverageMeasure, *user, kCoverageValues);
  CoverageHistory history(wanted);
  if (!forEachMeasureRecord(paths.database, kCoverageValues,
                            [&history](const MeasureRecord &record) { history.add(record); }))
    return std::nullopt;
  return history;
}

void CoverageHistory::endRun() {
  if (run_) runs_.add(*run_);
  run_.reset();
  ++runNumber_;
}

void CoverageHistory::add(const MeasureRecord &record) {
  const uint32_t position = static_cast<uint32_t>(records_++);
  const bool kept = !wanted_ || wanted_->count(record.key) > 0;
  // A run ends where the date changes, or where a key comes again.
  if (run_ && run_->date != record.date) endRun();
  if (kept) {
    const auto [last, first] = lastRunOf_.try_emplace(record.key, runNumber_);
    if (!first && last->second == runNumber_ && run_) endRun();
    last->second = runNumber_;
    byKey_[record.key].add(sampleOf(record, position, record.values));
  }
  run_ = sampleOf(record, position, record.totals);
}

std::vector<RatePoint> CoverageHistory::projectSeries(const RatedType &rated) const {
  HistorySampler all = runs_;
  if (run_) all.add(*run_);
  return seriesOf(all, rated);
}

std::vector<RatePoint> CoverageHistory::keySeries(uint32_t key, const RatedType &rated) const {
  const auto found = byKey_.find(key);
  if (found == byKey_.end()) return {};
  return seriesOf(found->second, rated);
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
