#include "html/coverage_chart.h"

#include <algorithm>
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

/// The date axis of a chart whose points run from `earliest` to `latest`: those
/// two dates and the one between them; by day over two days or more, else by
/// minute.
void writeDateAxis(std::FILE *out, uint32_t earliest, uint32_t latest) {
  const double span = static_cast<double>(latest) - static_cast<double>(earliest);
  const double middleX = kLeft + (kRight - kLeft) / 2;
  const char *format = span >= 2 * 86400.0 ? "%Y-%m-%d" : "%m-%d %H:%M";
  const QString first = measureTime(earliest, format);
  if (span <= 0) {
    std::fprintf(out, "<text x=\"%.0f\" y=\"114\">%s</text>", kLeft, first.toLatin1().constData());
  } else {
    const QString final = measureTime(latest, format);
    const QString middle =
        measureTime(static_cast<uint32_t>(earliest + static_cast<uint32_t>(span / 2)), format);
    std::fprintf(out, "<line class=\"g\" x1=\"%.0f\" y1=\"%.1f\" x2=\"%.0f\" y2=\"%.1f\"/>", kLeft,
                 kBottom, kLeft, kBottom + 4);
    std::fprintf(out, "<line class=\"g\" x1=\"%.0f\" y1=\"%.1f\" x2=\"%.0f\" y2=\"%.1f\"/>", kRight,
                 kBottom, kRight, kBottom + 4);
    std::fprintf(out, "<text x=\"%.0f\" y=\"114\">%s</text>", kLeft, first.toLatin1().constData());
    if (middle != first && middle != final)
      std::fprintf(out,
                   "<line class=\"g\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>"
                   "<text x=\"%.1f\" y=\"114\" text-anchor=\"middle\">%s</text>",
                   middleX, kBottom, middleX, kBottom + 4, middleX, middle.toLatin1().constData());
    std::fprintf(out, "<text x=\"%.0f\" y=\"114\" text-anchor=\"end\">%s</text>", kRight,
                 final.toLatin1().constData());
  }
}

} // namespace

QString measureDate(uint32_t seconds) {
  return measureTime(seconds, "%Y-%m-%d");
}

QString measureTime(uint32_t seconds, const char *format) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (!localtime_r(&time, &local)) return QString();
  char text[64];
  if (std::strftime(text, sizeof text, format, &local) == 0) return QString();
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
  // The points by date, from the earliest to the latest. Points of one date (a
  // database written with a fixed SOURCE_DATE_EPOCH) are spread evenly instead.
  uint32_t earliest = points.front().date, latest = points.front().date;
  for (const RatePoint &point : points) {
    earliest = std::min(earliest, point.date);
    latest = std::max(latest, point.date);
  }
  const double span = static_cast<double>(latest) - static_cast<double>(earliest);
  const std::size_t count = points.size();
  auto xOfDate = [&](double date) { return kLeft + (kRight - kLeft) * (date - earliest) / span; };
  auto xOf = [&](std::size_t i) {
    if (span > 0) return xOfDate(points[i].date);
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
  writeDateAxis(out, earliest, latest);
  std::fputs("</svg></figure>\n", out);
}
