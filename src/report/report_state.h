// The state of a report run that its outputs read and update.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

#include "model/hit_recorder.h"
#include "report/report_scope.h"
#include "support/host_services.h"
#include "support/run_settings.h"

struct TestState;

/// The state of a report run that the report writers read and update.
struct ReportRunState {
  /// The report stream (opened and closed by the caller).
  std::FILE *out = nullptr;
  /// The decoded command line.
  const RunSettings *options = nullptr;
  /// The report language (the column of the label table).
  ReportLanguage language = English;
  /// The run's time, shown in the header.
  std::time_t runTime = 0;
  /// The hits of the reading pass: what the current test hit.
  const HitRecorder *hits = nullptr;
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
  /// Scratch of the test report: the test's hits per selected file.
  std::vector<CoverageCounts> hitsByFile;
  /// The model's modified conditions found hit that the test reports have
  /// counted, those of selected services, and those per selected file.
  std::size_t modifiedSeen = 0;
  uint32_t modifiedSelected = 0;
  std::vector<uint32_t> modifiedByFile;
};
