// The coverage measures of a run: after the conclusion, one measure per selected
// source file goes to the measure database when ZELTO_TPM_ROOT is set.
#pragma once

#include <cstdint>
#include <ctime>
#include <vector>

#include "measures/tpm_writer.h"
#include "report/report_run.h"
#include "support/coverage_counts.h"

/// The measure name of coverage measures.
constexpr const char *kCoverageMeasure = "Coverage";

/// The 20 sub values of a coverage measure: the ten hit counters, then the ten
/// totals, each in counter order.
std::vector<uint32_t> coverageMeasure(const CoverageCounts &hits, const CoverageCounts &totals);

/// Exports the coverage of the run's selected files once the conclusion is written.
class MeasureExport : public ConclusionOutput {
public:
  /// `runTime` dates the measures; `errors` receives the messages.
  explicit MeasureExport(std::time_t runTime, std::FILE *errors = stderr);

  void runConcluded(const ReportScope &scope, HitSet shown) override {
    exportMeasures(scope, shown);
  }
  /// Per selected file, in load order: the hits of its selected services in the
  /// set the reports showed and their totals, under the file's key. Nothing when
  /// ZELTO_TPM_ROOT is not set; a measure that fails does not stop the others.
  void exportMeasures(const ReportScope &scope, HitSet shown);

private:
  TpmWriter writer_;
};
