// What the outputs for CI systems read from a finished report run.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "export/changed_lines.h"
#include "report/report_scope.h"
#include "support/coverage_counts.h"
#include "support/run_settings.h"

/// A finished run as the outputs see it. Files and services carry the hits of
/// the whole run (totalCovered, and each item's run-wide hit state).
struct ExportRun {
  const ReportScope *scope = nullptr;
  const RunSettings *options = nullptr;
  /// The run's time.
  std::time_t runTime = 0;
  /// The traces were count-oriented: items carry hit counts, not only hit marks.
  bool countOriented = false;
  /// Totals of the run: the selected services of the selected files, with
  /// -NOGLOBAL too (where the text report's conclusion sums every file).
  CoverageCounts totals;
  /// Hits over the run matching `totals`.
  CoverageCounts hits;
  /// The absolute current directory; source paths under it are shown relative.
  std::string currentDirectory;
  /// Which tests hit each item, when an output asked for it.
  const TestAttribution *attribution = nullptr;
  /// The changed lines of -CHANGES.
  std::optional<ChangeReport> changes;
};

/// The totals and hits of a run's final conclusion.
void concludeRun(ExportRun &run);
