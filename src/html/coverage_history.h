// The coverage measures recorded in the measure database, as series of rates for
// the charts: the project-wide rate after every record, and the rate of one file
// after every record of its key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "measures/measure_record.h"
#include "support/rated_types.h"

/// One point of a series.
struct RatePoint {
  /// When the measure was taken (seconds since 1970-01-01 UTC).
  uint32_t date = 0;
  /// Position of the record in the database (0 for the first).
  uint32_t record = 0;
  /// The rate, coverageRate of the type's hit and total counters.
  double rate = 0.0;
};

/// The coverage records of one database.
class CoverageHistory {
public:
  explicit CoverageHistory(std::vector<MeasureRecord> records);

  /// The records of the current user's coverage database under `root`;
  /// none when there is no root or the database cannot be read. Records of
  /// another number of sub values are not coverage measures and are skipped.
  static std::optional<CoverageHistory> load(const std::optional<std::string> &root);

  bool empty() const { return records_.empty(); }
  std::size_t size() const { return records_.size(); }
  /// Whether a key has records.
  bool hasKey(uint32_t key) const { return byKey_.count(key) > 0; }

  /// The rate of a type over every key after each record; records whose total for
  /// the type is 0 give no point.
  std::vector<RatePoint> projectSeries(const RatedType &rated) const;
  /// The rate of a type of one key at each of its records.
  std::vector<RatePoint> keySeries(uint32_t key, const RatedType &rated) const;

private:
  std::vector<MeasureRecord> records_;
  /// Positions of each key's records.
  std::unordered_map<uint32_t, std::vector<uint32_t>> byKey_;
};

/// At most `limit` points of a series (limit >= 2): the first and the last, and
/// between them the last point of each of limit - 2 equal runs of the others.
std::vector<RatePoint> thinSeries(const std::vector<RatePoint> &points, std::size_t limit);
