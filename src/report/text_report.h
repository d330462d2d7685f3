// The text report: header, one block per test (or one for the whole run), the
// sections of files and services with their rate lines and source references, and
// the conclusions.
#pragma once

#include <cstdint>

#include "report/report_state.h"

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
void writeSection(ReportRunState &run, const Service *service, const char *indent,
                  const char *title, const char *subtitle, const CoverageCounts &totals,
                  const CoverageCounts &hits, CoverageTypes fileMask);
/// One rate line, or the none-or-n/a label when the total is 0.
void writeRateLine(ReportRunState &run, const char *indent, const char *label, uint64_t total,
                   uint64_t hit, const char *noneLabel);
/// One source reference; in count mode every reference with its count, otherwise
/// only the hit ones (-BRANCH=COV) or the unhit ones.
void writeReference(ReportRunState &run, const char *kind, const char *detail, uint32_t count,
                    uint32_t line, bool countMode);
