// The chart of a rate over time: points placed by their date, and date labels a
// reader can read.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "html/coverage_chart.h"

namespace {

/// The SVG of a chart of `points`, in UTC.
std::string chartOf(const std::vector<RatePoint> &points) {
  const char *zone = std::getenv("TZ");
  const std::string previous = zone ? zone : "";
  setenv("TZ", "UTC", 1);
  tzset();
  std::FILE *out = std::tmpfile();
  writeRateChart(out, QStringLiteral("Calls"), points);
  std::fflush(out);
  std::rewind(out);
  std::string text;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, out)) > 0;)
    text.append(chunk, n);
  std::fclose(out);
  if (zone)
    setenv("TZ", previous.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
  return text;
}

/// The values of every points="..." attribute.
std::vector<std::string> polylines(const std::string &svg) {
  std::vector<std::string> found;
  const std::string open = "points=\"";
  for (std::size_t at = svg.find(open); at != std::string::npos; at = svg.find(open, at)) {
    at += open.size();
    found.push_back(svg.substr(at, svg.find('"', at) - at));
  }
  return found;
}

/// The texts below the chart (the date axis: <text ... y="114" ...>).
std::vector<std::string> dateLabels(const std::string &svg) {
  std::vector<std::string> found;
  for (std::size_t at = svg.find("<text"); at != std::string::npos; at = svg.find("<text", at)) {
    const std::size_t end = svg.find('>', at);
    const std::string tag = svg.substr(at, end - at);
    at = end + 1;
    if (tag.find("y=\"114\"") != std::string::npos)
      found.push_back(svg.substr(at, svg.find('<', at) - at));
  }
  return found;
}

constexpr uint32_t kDay = 86400;
constexpr uint32_t kJan1st2024 = 1704067200;

TEST(CoverageChart, PointsStandAtTheirDatesWithDatesBelow) {
  // Runs on day 0, day 1 and day 10: the second point is a tenth of the way.
  const std::string svg = chartOf(
      {{kJan1st2024, 0, 0.0}, {kJan1st2024 + kDay, 1, 50.0}, {kJan1st2024 + 10 * kDay, 2, 100.0}});
  EXPECT_EQ(polylines(svg), std::vector<std::string>{"40.0,96.0 65.0,52.0 290.0,8.0"});
  EXPECT_EQ(dateLabels(svg), (std::vector<std::string>{"2024-01-01", "2024-01-06", "2024-01-11"}));
}

TEST(CoverageChart, RunsOfOneDayAreLabelledByTheirTime) {
  const std::string svg =
      chartOf({{kJan1st2024 + 3600, 0, 10.0}, {kJan1st2024 + 7 * 3600, 1, 20.0}});
  EXPECT_EQ(dateLabels(svg),
            (std::vector<std::string>{"01-01 01:00", "01-01 04:00", "01-01 07:00"}));
}

TEST(CoverageChart, RunsOfOneSecondAreSpreadEvenly) {
  const std::string svg =
      chartOf({{kJan1st2024, 0, 10.0}, {kJan1st2024, 1, 20.0}, {kJan1st2024, 2, 30.0}});
  EXPECT_EQ(polylines(svg), std::vector<std::string>{"40.0,87.2 165.0,78.4 290.0,69.6"});
  EXPECT_EQ(dateLabels(svg), std::vector<std::string>{"01-01 00:00"});
}

} // namespace
