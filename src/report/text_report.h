// The text report: header, one block per test (or one for the whole run), the
// sections of files and services with their rate lines and source references, and
// the conclusions.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "cli/report_options.h"
#include "model/coverage_model.h"

struct TestState;

/// The state of a report run that the report writers read and update.
struct ReportRunState {
  /// The report stream (opened and closed by the caller).
  std::FILE *out = nullptr;
  /// The decoded command line.
  const ReportOptions *options = nullptr;
  /// Column of the label table: ColumnEnglish or ColumnFrench.
  int language = 0;
  /// The run's time, shown in the header.
  std::time_t runTime = 0;
  /// The loaded coverage model.
  CoverageModel *model = nullptr;
  /// The test bookkeeping of the reading pass (count mode, current test, date).
  const TestState *trace = nullptr;
  /// Mask of the report lines being written: requested, else the file's own types
  /// (file and service sections) or the union of all files (headers, conclusions).
  CoverageTypes effectiveMask = 0;
  /// Union of the instrumented types of every loaded file.
  CoverageTypes loadedMask = 0;
  /// Union of the instrumented types of every file written in a report; never reset.
  CoverageTypes reportedMask = 0;
  /// Number of test reports written so far (the MC note starts with the second).
  uint32_t testReportsWritten = 0;
  /// Totals of the report being written, or of the whole run for the conclusion.
  CoverageCounts runTotals;
  /// Hits matching runTotals.
  CoverageCounts runHits;
};

/// The separator line of 80 dashes.
void writeSeparator(ReportRunState &run);
/// Separator, title, tool version and the current local date.
void writeReportHeader(ReportRunState &run);
/// The report of the test that has just ended or, when global is set, the single
/// report of the whole run; ends with its conclusion section.
void writeTestReport(ReportRunState &run);
/// One title (with its optional subtitle) and its rate lines; at service level,
/// without -SUMMARY, the source references too. `fileMask` decides between "none"
/// and "n/a" for a total of 0.
void writeSection(ReportRunState &run, Service *service, const char *indent, const char *title,
                  const char *subtitle, const CoverageCounts &totals, const CoverageCounts &hits,
                  CoverageTypes fileMask);
/// One rate line, or the none-or-n/a label when the total is 0.
void writeRateLine(ReportRunState &run, const char *indent, const char *label, uint32_t total,
                   uint32_t hit, const char *noneLabel);
/// One source reference; in count mode every reference with its count, otherwise
/// only the hit ones (-BRANCH=COV) or the unhit ones.
void writeReference(ReportRunState &run, const char *kind, const char *detail, uint32_t count,
                    uint32_t line, bool countMode);
/// The mask of the report lines outside file sections: requested, else the union
/// of every loaded file's types.
CoverageTypes defaultEffectiveMask(const ReportRunState &run);
