#include "html/rate_cells.h"

#include "html/html_labels.h"
#include "html/html_text.h"

namespace {

/// The class of a rate's bar: low, middle or high coverage.
const char *barClass(double rate) {
  if (rate < 50.0) return "lo";
  if (rate < 80.0) return "mid";
  return "hi";
}

} // namespace

const std::vector<RateLine> &pageRateLines() {
  static const std::vector<RateLine> lines = [] {
    std::vector<RateLine> all{kFunctionsRateLine};
    all.insert(all.end(), std::begin(kRateLines), std::end(kRateLines));
    return all;
  }();
  return lines;
}

RateCell rateCell(const RateLine &line, CoverageTypes mask, CoverageTypes fileTypes,
                  const CoverageCounts &totals, const CoverageCounts &hits) {
  RateCell cell;
  cell.shown = isRateLineShown(line, mask, totals);
  cell.total = rateValue(totals, line);
  cell.hit = rateValue(hits, line);
  cell.noneRow = noneRow(fileTypes, line.type);
  return cell;
}

QString rateLineName(const RateLine &line, CoverageTypes mask, ReportLanguage language) {
  return plainLabel(rateLabel(line, mask), language);
}

QString rateText(const RateCell &cell, ReportLanguage language) {
  if (cell.total == 0) return plainLabel(cell.noneRow, language);
  return QString::asprintf("%.1f%%", coverageRate(cell.hit, cell.total));
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
  std::fprintf(out, "%.1f%% <small>(%lu/%lu)</small></td>", rate,
               static_cast<unsigned long>(cell.hit), static_cast<unsigned long>(cell.total));
}

void writeRateRows(std::FILE *out, CoverageTypes mask, CoverageTypes fileTypes,
                   const CoverageCounts &totals, const CoverageCounts &hits,
                   ReportLanguage language) {
  for (const RateLine &line : pageRateLines()) {
    const RateCell cell = rateCell(line, mask, fileTypes, totals, hits);
    if (!cell.shown) continue;
    std::fputs("<tr><th scope=\"row\">", out);
    writeEscaped(out, rateLineName(line, mask, language));
    std::fputs("</th>", out);
    writeRateCell(out, cell, language);
    std::fputs("</tr>\n", out);
  }
}
