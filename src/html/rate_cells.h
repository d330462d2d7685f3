// The rates of a section (the run, a file, a function, a test) as the pages show
// them: the lines that the text report writes for it, each as a table cell with
// its rate, its counts and a bar, or the report's "none" or "n/a".
#pragma once

#include <QString>
#include <cstdint>
#include <cstdio>

#include "report/rate_lines.h"
#include "support/coverage_counts.h"
#include "support/coverage_types.h"
#include "support/host_services.h"
#include "support/rated_types.h"

/// The rates from which a bar is of the middle colour (yellow), and of the high
/// one (green); below the first it is red.
constexpr double kMiddleRate = 50.0;
constexpr double kHighRate = 80.0;

/// One line of a section.
struct RateCell {
  /// The text report writes the line for this section.
  bool shown = false;
  uint64_t hit = 0;
  uint64_t total = 0;
  /// With a total of 0: "none" or "n/a".
  ReportLabel noneRow = LblNone;
};

/// The cell of `line` for a section of `mask` with these totals and hits, `fileTypes`
/// telling "none" from "n/a".
RateCell rateCell(const RatedType &rated, CoverageTypes mask, CoverageTypes fileTypes,
                  const CoverageCounts &totals, const CoverageCounts &hits);

/// The name of a line's type under a mask (the forced labels with forced
/// conditions), without the dots of the text report.
QString rateLineName(const RatedType &rated, CoverageTypes mask, ReportLanguage language);

/// "57.1%" as the text report rounds it, or the "none" / "n/a" label.
QString rateText(const RateCell &cell, ReportLanguage language);

/// Writes a <td> for the cell: empty when the line is not shown, else the rate,
/// the counts and a bar; its data-v attribute is the rate, -1 for "none" and
/// "n/a", -2 for an empty cell (the sort keys of the tables).
void writeRateCell(std::FILE *out, const RateCell &cell, ReportLanguage language);

/// Writes the rows of a section's rate table (name, bar and rate, counts), one per
/// line shown.
void writeRateRows(std::FILE *out, CoverageTypes mask, CoverageTypes fileTypes,
                   const CoverageCounts &totals, const CoverageCounts &hits,
                   ReportLanguage language);

/// Writes the legend of the bars' colours and the rates that choose them.
void writeRateLegend(std::FILE *out, ReportLanguage language);
