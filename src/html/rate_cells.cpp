#include "html/rate_cells.h"

#include "html/html_labels.h"
#include "html/html_text.h"
#include "support/coverage_rate.h"

namespace {

/// The class of a rate's bar: low, middle or high coverage.
const char *barClass(double rate) {
  if (rate < kMiddleRate) return "lo";
  if (rate < kHighRate) return "mid";
  return "hi";
}

} // namespace

RateCell rateCell(const RatedType &rated, CoverageTypes mask, CoverageTypes fileTypes,
                  const CoverageCounts &totals, const CoverageCounts &hits) {
  RateCell cell;
  cell.shown = isRatedTypeShown(rated, mask, totals);
  cell.total = ratedValue(totals, rated);
  cell.hit = ratedValue(hits, rated);
  cell.noneRow = noneRow(fileTypes, rated.type);
  return cell;
}

QString rateLineName(const RatedType &rated, CoverageTypes mask, ReportLanguage language) {
  return plainLabel(rateLabel(rated, mask), language);
}

QString rateText(const RateCell &cell, ReportLanguage language) {
  if (cell.total == 0) return plainLabel(cell.noneRow, language);
  return QString::fromStdString(percentText(coverageRate(cell.hit, cell.total)));
}

void writeRateCell(std::FILE *out, const RateCell &cell, ReportLanguage language) {
  if (!cell.shown) {
    std::fputs("<td data-v=\"-2\"></td>", out);
    return;
  }
  if (cell.total == 0) {
    std::fputs("<td class=\"r na\" data-v=\"-1\">", out);
    writeEscaped(out, rateText(cell, language));
    std::fputs("</td>", out);
    return;
  }
  const double rate = coverageRate(cell.hit, cell.total);
  // The bar is the cell's background, as wide as the rate.
  std::fprintf(out, "<td class=\"r %s\" style=\"--r:%.1f%%\" data-v=\"%.2f\">", barClass(rate),
               rate, rate);
  std::fprintf(out, "%s <small>(%lu/%lu)</small></td>", percentText(rate).c_str(),
               static_cast<unsigned long>(cell.hit), static_cast<unsigned long>(cell.total));
}

void writeRateRows(std::FILE *out, CoverageTypes mask, CoverageTypes fileTypes,
                   const CoverageCounts &totals, const CoverageCounts &hits,
                   ReportLanguage language) {
  for (const RatedType &rated : kRatedTypes) {
    const RateCell cell = rateCell(rated, mask, fileTypes, totals, hits);
    if (!cell.shown) continue;
    std::fputs("<tr><th scope=\"row\">", out);
    writeEscaped(out, rateLineName(rated, mask, language));
    std::fputs("</th>", out);
    writeRateCell(out, cell, language);
    std::fputs("</tr>\n", out);
  }
}

void writeRateLegend(std::FILE *out, ReportLanguage language) {
  std::fputs("<p class=\"legend\">", out);
  writeEscaped(out, QString::fromLatin1(htmlLabel(HlRateBars, language)));
  std::fprintf(out,
               " <span class=\"lo\">&lt; %.0f%%</span><span class=\"mid\">%.0f%% &#8211; "
               "&lt; %.0f%%</span><span class=\"hi\">&#8805; %.0f%%</span></p>\n",
               kMiddleRate, kMiddleRate, kHighRate, kHighRate);
}
