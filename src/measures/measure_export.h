// The coverage measures of a run: after the conclusion, one measure per selected
// source file goes to the measure database when ZELTO_TPM_ROOT is set.
#pragma once

#include <cstdint>
#include <ctime>
#include <vector>

#include "measures/measure_writer.h"
#include "report/run_output.h"
#include "support/coverage_counts.h"

/// The measure name of coverage measures.
constexpr const char *kCoverageMeasure = "Coverage";

/// The 20 sub values of a coverage measure: the ten hit counters, then the ten
/// totals, each in counter order.
std::vector<uint32_t> coverageMeasure(const CoverageCounts &hits, const CoverageCounts &totals);

/// Exports the coverage of the run's selected files once the conclusion is written.
class MeasureExport : public RunOutput {
public:
  /// `runTime` dates the measures; `errors` receives the messages.
  /// `root`: the database's folder (none: no measure is written).
  MeasureExport(std::optional<std::string> root, std::time_t runTime, std::FILE *errors = stderr);

  /// The database's files are guarded by its own lock.
  void declarePaths(std::vector<NamedOutput> &) const override {}
  void runConcluded(const RunConclusion &conclusion) override {
    exportMeasures(*conclusion.scope, conclusion.shown);
  }
  /// Per selected file, in load order: the hits of its selected services in the
  /// set the reports showed and their totals, under the file's key. Nothing when
  /// there is no root; a measure that fails does not stop the others.
  void exportMeasures(const ReportScope &scope, HitSet shown);

private:
  std::optional<std::string> root_;
  MeasureWriter writer_;
};
