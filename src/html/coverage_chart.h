// A chart of a rate over the recorded measures, drawn as inline SVG: the rate of
// each point from left to right by its date, 0 to 100 % from bottom to top, the
// earliest, the middle and the latest date below.
#pragma once

#include <QString>
#include <cstdio>
#include <vector>

#include "html/coverage_history.h"

/// Most points drawn by one chart; longer series are thinned.
constexpr std::size_t kChartPointLimit = kHistoryPointLimit;

/// Writes a <figure> with the chart of `all` (at least one point) captioned `title`.
void writeRateChart(std::FILE *out, const QString &title, const std::vector<RatePoint> &all);

/// The local date of a measure as yyyy-mm-dd.
QString measureDate(uint32_t seconds);
/// The local time of a measure in a strftime format.
QString measureTime(uint32_t seconds, const char *format);
