// The state of a report run that its outputs read and update.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "cli/report_options.h"
#include "model/coverage_model.h"
#include "report/report_scope.h"
#include "support/host_services.h"

struct TestState;

/// The state of a report run that the report writers read and update.
struct ReportRunState {
  /// The report stream (opened and closed by the caller).
  std::FILE *out = nullptr;
  /// The decoded command line.
  const ReportOptions *options = nullptr;
  /// The report language (the column of the label table).
  ReportLanguage language = English;
  /// The run's time, shown in the header.
  std::time_t runTime = 0;
  /// The loaded coverage model.
  CoverageModel *model = nullptr;
  /// The test bookkeeping of the reading pass (count mode, current test, date).
  const TestState *trace = nullptr;
  /// What the run reports on (set once the selection check has run).
  const ReportScope *scope = nullptr;
  /// Mask of the report lines being written: requested, else the file's own types
  /// (file and service sections) or the union of all files (headers, conclusions).
  CoverageTypes effectiveMask = 0;
  /// Union of the instrumented types of every file written in a report; never reset.
  CoverageTypes reportedMask = 0;
  /// Number of test reports written so far (the MC note starts with the second).
  uint32_t testReportsWritten = 0;
  /// Totals of the report being written, or of the whole run for the conclusion.
  CoverageCounts runTotals;
  /// Hits matching runTotals.
  CoverageCounts runHits;
};
