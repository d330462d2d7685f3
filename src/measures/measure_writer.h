// The generic measure writer: appends measures (a name, a key, a date and their
// sub values) to the measure database under its root folder (ZELTO_TPM_ROOT, read
// once by the driver), under the lock of
// their pair of files. It knows nothing of coverage.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "measures/measure_error_display.h"

/// A measure has fewer sub values than this.
constexpr std::size_t kMaxMeasureSubValues = 10000;

/// One measure of a key.
struct Measure {
  uint32_t key = 0;
  /// Seconds since 1970-01-01 UTC; 0 stands for the writer's clock.
  uint32_t date = 0;
  std::vector<uint32_t> values;
};

/// Writes measures; every failure is shown on its display and ends only the
/// measure that failed.
class MeasureWriter {
public:
  /// `root` is the database's folder (none: ZELTO_TPM_ROOT is not set); `now`
  /// dates the measures given the date 0; `errors` receives the messages.
  MeasureWriter(std::optional<std::string> root, std::time_t now, std::FILE *errors = stderr);

  /// Appends the measure to R/<measureName>/<user>.<count>.tpm and its index.
  /// 0 on success, 1 after showing the failure.
  int writeTpmMeasure(const char *measureName, uint32_t key, uint32_t date,
                      const std::vector<uint32_t> &values);
  /// Appends measures in order, as many calls of writeTpmMeasure would, but
  /// takes the lock of a pair of files once for all the measures that go to it
  /// (each costs the same whatever their number). How many failed.
  std::size_t writeTpmMeasures(const char *measureName, const std::vector<Measure> &measures);

private:
  class Session;

  std::optional<std::string> root_;
  std::time_t now_;
  MeasureErrorDisplay display_;
};
