// The coverage measures recorded in the measure database, as series of rates for
// the charts: the project-wide rate after every run, and the rate of one file at
// every run that measured it.
//
// The database is read as a stream and only what the charts draw is kept: each
// series holds at most kHistoryPointLimit points, spread evenly over its runs
// (the first and the latest always among them), whatever the size of the
// database.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "measures/measure_record.h"
#include "support/coverage_counts.h"
#include "support/rated_types.h"

/// Most points kept for one series.
constexpr std::size_t kHistoryPointLimit = 600;

/// One point of a series.
struct RatePoint {
  /// When the measure was taken (seconds since 1970-01-01 UTC).
  uint32_t date = 0;
  /// Position in the database of the record the point comes from (0 for the first).
  uint32_t record = 0;
  /// The rate, coverageRate of the type's hit and total counters.
  double rate = 0.0;
};

/// The 20 sub values of a coverage measure (ten hits, then ten totals) at one
/// point of a series.
struct HistorySample {
  uint32_t date = 0;
  uint32_t record = 0;
  std::array<uint32_t, 2 * CntCount> values{};
};

/// At most kHistoryPointLimit samples of a stream: every stride-th one, the
/// stride doubling each time the samples fill up, and always the latest.
class HistorySampler {
public:
  void add(const HistorySample &sample);
  /// The samples kept, in the order they came.
  std::vector<HistorySample> samples() const;
  bool empty() const { return !latest_; }

private:
  std::vector<HistorySample> kept_;
  std::optional<HistorySample> latest_;
  uint64_t seen_ = 0;
  uint64_t stride_ = 1;
};

/// The coverage history of one database.
class CoverageHistory {
public:
  /// An empty history that keeps the series of the keys in `wanted` (every key
  /// when null; the set must outlive the history).
  explicit CoverageHistory(const std::unordered_set<uint32_t> *wanted = nullptr);
  /// The history of records given in file order, for every key.
  explicit CoverageHistory(const std::vector<MeasureRecord> &records);

  /// The history of the current user's coverage database under `root`, keeping
  /// the series of the keys in `wanted` (every key when null); none when there is
  /// no root or the database cannot be read.
  static std::optional<CoverageHistory> load(const std::optional<std::string> &root,
                                             const std::unordered_set<uint32_t> *wanted = nullptr);

  /// Takes the next record of the database. The records of one run are the
  /// consecutive ones that share its date and measure each key once.
  void add(const MeasureRecord &record);

  bool empty() const { return records_ == 0; }
  /// Records read.
  std::size_t size() const { return records_; }
  /// Whether a key kept has records.
  bool hasKey(uint32_t key) const { return byKey_.count(key) > 0; }

  /// The rate of a type over every key after each run (its last record); runs
  /// whose total for the type is 0 give no point.
  std::vector<RatePoint> projectSeries(const RatedType &rated) const;
  /// The rate of a type of one key at each run that measured it.
  std::vector<RatePoint> keySeries(uint32_t key, const RatedType &rated) const;

private:
  void endRun();

  const std::unordered_set<uint32_t> *wanted_ = nullptr;
  std::size_t records_ = 0;
  HistorySampler runs_;
  /// The run being read: its number and its last record so far; for each key
  /// kept, the number of the last run that measured it (enough to tell two runs
  /// of one second apart).
  uint64_t runNumber_ = 0;
  std::optional<HistorySample> run_;
  std::unordered_map<uint32_t, uint64_t> lastRunOf_;
  std::unordered_map<uint32_t, HistorySampler> byKey_;
};

/// At most `limit` points of a series (limit >= 2): the first and the last, and
/// between them the last point of each of limit - 2 equal runs of the others.
std::vector<RatePoint> thinSeries(const std::vector<RatePoint> &points, std::size_t limit);
