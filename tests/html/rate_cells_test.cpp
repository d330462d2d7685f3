// The rate cells of the pages: the rate rounded as the text report rounds it, the
// counts, and the labels of a total of 0.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "html/rate_cells.h"

namespace {

std::string cellMarkup(const RateCell &cell, ReportLanguage language = English) {
  char *text = nullptr;
  std::size_t size = 0;
  std::FILE *out = open_memstream(&text, &size);
  writeRateCell(out, cell, language);
  std::fclose(out);
  std::string markup(text, size);
  std::free(text);
  return markup;
}

TEST(RateCells, RatesAreRoundedAsTheTextReportRoundsThem) {
  RateCell cell;
  cell.shown = true;
  // 1 of 16 is 6.25% exactly: the half goes to the even tenth, as in the report.
  cell.hit = 1;
  cell.total = 16;
  EXPECT_EQ(rateText(cell, English), QStringLiteral("6.2%"));
  EXPECT_NE(cellMarkup(cell).find(">6.2% <small>(1/16)</small></td>"), std::string::npos);
  cell.hit = 1999;
  cell.total = 2000;
  EXPECT_EQ(rateText(cell, English), QStringLiteral("99.9%"));
}

TEST(RateCells, ATotalOfZeroShowsNoneOrNotInstrumented) {
  const RatedType &calls = kRatedTypes[RatedCalls];
  const CoverageCounts nothing;
  const RateCell none = rateCell(calls, CovCalls, CovCalls, nothing, nothing);
  EXPECT_TRUE(none.shown);
  EXPECT_EQ(rateText(none, English), QStringLiteral("none"));
  EXPECT_EQ(rateText(none, French), QStringLiteral("aucun(e)"));
  const RateCell notInstrumented = rateCell(calls, CovCalls, 0, nothing, nothing);
  EXPECT_EQ(rateText(notInstrumented, English), QStringLiteral("n/a"));
  EXPECT_NE(cellMarkup(notInstrumented).find("<td class=\"r na\" data-v=\"-1\">n/a</td>"),
            std::string::npos);
  // A line the section does not show is an empty cell.
  EXPECT_EQ(cellMarkup(rateCell(calls, CovLoops, CovCalls, nothing, nothing)),
            "<td data-v=\"-2\"></td>");
}

} // namespace
