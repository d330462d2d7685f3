#include "html/coverage_chart.h"

#include <ctime>

#include "html/html_text.h"
#include "support/coverage_rate.h"

namespace {

// The drawing area inside a 300 x 120 view box.
constexpr double kLeft = 40.0;
constexpr double kRight = 290.0;
constexpr double kTop = 8.0;
constexpr double kBottom = 96.0;

double yOf(double rate) {
  return kBottom - (kBottom - kTop) * rate / 100.0;
}

} // namespace

QString measureDate(uint32_t seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (!localtime_r(&time, &local)) return QString();
  char text[32];
  if (std::strftime(text, sizeof text, "%Y-%m-%d", &local) == 0) return QString();
  return QString::fromLatin1(text);
}

void writeRateChart(std::FILE *out, const QString &title, const std::vector<RatePoint> &all) {
  if (all.empty()) return;
  const std::vector<RatePoint> points = thinSeries(all, kChartPointLimit);
  const RatePoint &last = points.back();
  const QString lastRate = QString::fromStdString(percentText(last.rate));

  std::fputs("<figure class=\"chart\"><figcaption>", out);
  writeEscaped(out, title);
  std::fprintf(out, " <b>%s</b></figcaption>", lastRate.toLatin1().constData());
  std::fputs("<svg viewBox=\"0 0 300 120\" width=\"300\" height=\"120\" role=\"img\" "
             "aria-label=\"",
             out);
  writeEscaped(out, title + QStringLiteral(": ") + lastRate);
  std::fputs("\">", out);
  // Axes and grid at 0, 50 and 100 %.
  for (int rate = 0; rate <= 100; rate += 50)
    std::fprintf(out,
                 "<line class=\"g\" x1=\"%.0f\" y1=\"%.1f\" x2=\"%.0f\" y2=\"%.1f\"/>"
                 "<text x=\"%.0f\" y=\"%.1f\" text-anchor=\"end\">%d%%</text>",
                 kLeft, yOf(rate), kRight, yOf(rate), kLeft - 4, yOf(rate) + 4, rate);
  // The points, evenly spread; one point alone stands in the middle.
  const std::size_t count = points.size();
  auto xOf = [count](std::size_t i) {
    if (count == 1) return (kLeft + kRight) / 2;
    return kLeft + (kRight - kLeft) * static_cast<double>(i) / static_cast<double>(count - 1);
  };
  if (count > 1) {
    std::fputs("<polyline class=\"s\" points=\"", out);
    for (std::size_t i = 0; i < count; ++i)
      std::fprintf(out, "%s%.1f,%.1f", i ? " " : "", xOf(i), yOf(points[i].rate));
    std::fputs("\"/>", out);
  }
  std::fprintf(out, "<circle class=\"s\" cx=\"%.1f\" cy=\"%.1f\" r=\"3\"/>", xOf(count - 1),
               yOf(last.rate));
  // The dates of the first and the last point.
  const QString first = measureDate(points.front().date);
  const QString final = measureDate(last.date);
  std::fprintf(out, "<text x=\"%.0f\" y=\"114\">%s</text>", kLeft, first.toLatin1().constData());
  if (count > 1)
    std::fprintf(out, "<text x=\"%.0f\" y=\"114\" text-anchor=\"end\">%s</text>", kRight,
                 final.toLatin1().constData());
  std::fputs("</svg></figure>\n", out);
}
