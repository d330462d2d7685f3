// The generic measure writer: appends one measure (a name, a key, a date and its
// sub values) to the measure database under ZELTO_TPM_ROOT, under the lock of its
// pair of files. It knows nothing of coverage.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

#include "measures/measure_error_display.h"

/// A measure has fewer sub values than this.
constexpr std::size_t kMaxMeasureSubValues = 10000;

/// Writes measures; every failure is shown on its display and ends only the
/// measure that failed.
class MeasureWriter {
public:
  /// `now` dates the measures given the date 0; `errors` receives the messages.
  explicit MeasureWriter(std::time_t now, std::FILE *errors = stderr);

  /// Appends the measure to R/<measureName>/<user>.<count>.tpm and its index.
  /// 0 on success, 1 after showing the failure.
  int writeTpmMeasure(const char *measureName, uint32_t key, uint32_t date,
                      const std::vector<uint32_t> &values);

private:
  std::time_t now_;
  MeasureErrorDisplay display_;
};
