#include "html/file_page.h"

#include <QString>
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "html/coverage_chart.h"
#include "html/coverage_history.h"
#include "html/html_labels.h"
#include "html/html_text.h"
#include "html/page_layout.h"
#include "html/page_names.h"
#include "html/rate_cells.h"
#include "html/source_lines.h"
#include "html/test_coverage.h"
#include "listing/annotation_list.h"
#include "listing/line_classification.h"
#include "model/coverage_records.h"
#include "report/report_labels.h"
#include "report/test_attribution.h"
#include "support/messages.h"
#include "support/paths.h"
#include "support/source_map.h"

namespace {

/// A service's first line while it has no record.
constexpr uint32_t kNoLine = 0xFFFFFFFF;
/// Functions whose table is shown unfolded.
constexpr std::size_t kUnfoldedServices = 300;
/// Source lines per chunk of the page, and the height of a line in em.
constexpr std::size_t kChunkLines = 500;
constexpr double kLineHeight = 1.5;
/// The narrowest and the widest source column, in characters.
constexpr int kMinColumns = 40;
constexpr int kMaxColumns = 160;

QString label(HtmlLabel row, ReportLanguage language) {
  return QString::fromLatin1(htmlLabel(row, language));
}

/// The width of a line in characters: tabs to the next multiple of 8, a UTF-8
/// sequence as one character; counted up to `limit`.
std::size_t columnsOf(std::string_view line, std::size_t limit) {
  std::size_t columns = 0;
  for (char c : line) {
    if (c == '\t')
      columns = (columns / 8 + 1) * 8;
    else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
      ++columns;
    if (columns >= limit) break;
  }
  return columns;
}

class FilePage {
public:
  FilePage(std::FILE *out, const HtmlRun &run, const FileSummary &summary)
      : out_(out), run_(run), summary_(summary), file_(*summary.file), language_(run.language),
        mask_(run.scope->fileMask(file_)) {
    if (run.attribution) lineTests_ = testsByLine(*run.attribution, summary, mask_);
  }

  void write();

private:
  void writeRates();
  void writeCharts();
  void writeServices();
  /// One row of the table of functions, with a cell for each column.
  void writeServiceRow(const Service &service, const std::vector<const RatedType *> &columns);
  /// The colours of the lines and what chooses them.
  void writeLegend();
  /// The source with its annotated lines, or the note that it was not found.
  void writeSource();
  /// The note that the source at `path` cannot be read, then its lines that hold
  /// items, without text.
  void writeMissingSource(const std::string &path);
  /// The annotated lines of the groups from `first` on, without source text.
  void writeLinesWithoutSource(std::size_t first);
  /// One line: its text (none for a line the source does not have), coloured with
  /// its items beside it when it has a group.
  void writeLine(uint32_t line, std::optional<std::string_view> text, const AnnotatedLine *group);
  void writeItem(const ListingAnnotation &item);
  /// How many tests ran the line, their names in its title.
  void writeLineTests(uint32_t line);
  /// How many times a line ran: the largest count of the items that run code on
  /// it; none when it has none of them.
  std::optional<uint32_t> executionCount(const AnnotatedLine &group);

  std::FILE *out_;
  const HtmlRun &run_;
  const FileSummary &summary_;
  const SourceFile &file_;
  const ReportLanguage language_;
  const CoverageTypes mask_;
  AnnotationList annotations_;
  std::vector<AnnotatedLine> groups_;
  /// The tests that ran each line, when they were recorded.
  std::map<uint32_t, std::vector<uint32_t>> lineTests_;
};

void FilePage::write() {
  const char *name = file_.sourceName ? file_.sourceName->text : "";
  QString subtitle = displayText(mapSourcePath(file_.sourceDir ? file_.sourceDir->text : ""));
  if (file_.extraText) subtitle += QStringLiteral(" (") + displayText(file_.extraText->text) + u')';
  writePageStart(out_, language_, displayText(name), subtitle, run_.runTime, kIndexPage);

  for (const Service *service : summary_.services)
    annotations_.addService(*service, mask_);
  forEachAnnotatedLine(annotations_.entries(),
                       [this](const AnnotatedLine &group) { groups_.push_back(group); });

  writeRates();
  writeCharts();
  writeServices();
  writeSource();
  writePageEnd(out_, PageScripts::SortAndLineKeys);
}

void FilePage::writeRates() {
  std::fputs("<h2>", out_);
  writeEscaped(out_, plainLabel(LblFileWord, language_));
  std::fputs("</h2>\n<table class=\"grid rates\"><tbody>\n", out_);
  writeRateRows(out_, mask_, file_.instrumentedTypes, summary_.totals,
                sumHits(summary_.services, HitSet::Run), language_);
  std::fputs("</tbody></table>\n", out_);
  writeRateLegend(out_, language_);
}

void FilePage::writeCharts() {
  if (!run_.history || !run_.history->hasKey(file_.fileKey)) return;
  std::fputs("<h2>", out_);
  writeEscaped(out_, label(HlCoverageOverTime, language_));
  std::fputs("</h2>\n<div class=\"charts\">\n", out_);
  for (const RatedType &rated : kRatedTypes) {
    if (!isRatedTypeShown(rated, mask_, summary_.totals)) continue;
    const std::vector<RatePoint> points = run_.history->keySeries(file_.fileKey, rated);
    if (!points.empty()) writeRateChart(out_, rateLineName(rated, mask_, language_), points);
  }
  std::fputs("</div>\n", out_);
}

void FilePage::writeServices() {
  // A long table is folded: a browser then neither styles nor lays it out until
  // it is opened.
  const std::size_t count = summary_.services.size();
  std::fprintf(out_, "<details class=\"services\"%s><summary>",
               count <= kUnfoldedServices ? " open" : "");
  writeEscaped(out_, label(HlServices, language_));
  std::fprintf(out_, " (%lu)</summary>\n", static_cast<unsigned long>(count));
  // A column for each line some function shows; the functions line is the hit mark.
  std::vector<const RatedType *> columns;
  for (const RatedType &rated : kRatedTypes) {
    bool shown = false;
    for (const Service *service : summary_.services)
      shown = shown || isRatedTypeShown(rated, mask_, service->staticCounts);
    if (shown) columns.push_back(&rated);
  }
  std::fputs("<table class=\"grid sortable services\"><thead><tr><th>", out_);
  writeEscaped(out_, label(HlService, language_));
  std::fputs("</th><th>", out_);
  writeEscaped(out_, label(HlLines, language_));
  std::fputs("</th>", out_);
  for (const RatedType *rated : columns) {
    std::fputs("<th>", out_);
    writeEscaped(out_, rated->id == RatedFunctions ? plainLabel(LblServiceHit, language_)
                                                   : rateLineName(*rated, mask_, language_));
    std::fputs("</th>", out_);
  }
  std::fputs("</tr></thead>\n<tbody>\n", out_);
  for (const Service *service : summary_.services)
    writeServiceRow(*service, columns);
  std::fputs("</tbody></table>\n</details>\n", out_);
}

void FilePage::writeServiceRow(const Service &service,
                               const std::vector<const RatedType *> &columns) {
  const CoverageCounts &hits = hitsOf(service, HitSet::Run);
  const bool placed = service.firstLine != kNoLine;
  std::fputs("<tr><th scope=\"row\">", out_);
  if (placed)
    std::fprintf(out_, "<a href=\"#L%lu\">", static_cast<unsigned long>(service.firstLine));
  writeEscaped(out_, service.name ? service.name->text : "");
  if (placed) std::fputs("</a>", out_);
  if (placed)
    std::fprintf(out_, "</th><td data-v=\"%lu\">%lu&#8211;%lu</td>",
                 static_cast<unsigned long>(service.firstLine),
                 static_cast<unsigned long>(service.firstLine),
                 static_cast<unsigned long>(service.lastLine));
  else
    std::fputs("</th><td data-v=\"-1\"></td>", out_);
  for (const RatedType *rated : columns) {
    if (rated->id != RatedFunctions) {
      writeRateCell(out_,
                    rateCell(*rated, mask_, file_.instrumentedTypes, service.staticCounts, hits),
                    language_);
    } else if (isRatedTypeShown(*rated, mask_, service.staticCounts)) {
      const bool hit = hits[CntFunctions] != 0;
      std::fprintf(out_, "<td class=\"%s\" data-v=\"%d\">", hit ? "hit" : "na", hit ? 1 : 0);
      writeEscaped(out_, plainLabel(hit ? LblHitYes : LblHitNo, language_));
      std::fputs("</td>", out_);
    } else {
      std::fputs("<td data-v=\"-1\"></td>", out_);
    }
  }
  std::fputs("</tr>\n", out_);
}

void FilePage::writeLegend() {
  std::fputs("<p class=\"legend\"><span class=\"h\">", out_);
  writeEscaped(out_, label(HlLineHit, language_));
  std::fputs("</span><span class=\"p\">", out_);
  writeEscaped(out_, label(HlLinePartlyHit, language_));
  std::fputs("</span><span class=\"m\">", out_);
  writeEscaped(out_, label(HlLineNotHit, language_));
  std::fputs("</span></p>\n<p class=\"note\">", out_);
  writeEscaped(out_, label(HlLineRule, language_));
  if (run_.countOriented) {
    std::fputc(' ', out_);
    writeEscaped(out_, label(HlCountColumn, language_));
  }
  std::fputc(' ', out_);
  writeEscaped(out_, label(HlLineKeys, language_));
  if (run_.attribution) {
    std::fputc(' ', out_);
    writeEscaped(out_, label(HlTestLineRule, language_));
  }
  std::fputs("</p>\n", out_);
}

void FilePage::writeMissingSource(const std::string &path) {
  std::fputs("<p class=\"note missing\">", out_);
  writeEscaped(out_, label(HlSourceNotFound, language_));
  std::fputs(" <code>", out_);
  writeEscaped(out_, QByteArrayView(path.data(), static_cast<qsizetype>(path.size())));
  std::fputs("</code></p>\n", out_);
  if (!groups_.empty()) {
    writeLegend();
    writeLinesWithoutSource(0);
  }
}

void FilePage::writeSource() {
  std::fputs("<h2>", out_);
  writeEscaped(out_, label(HlSource, language_));
  std::fputs("</h2>\n", out_);
  const std::string path = MappedSourcePath(file_.sourceDir, file_.sourceName);
  // Read twice, line by line: once for the number of lines and the widest, once
  // to write them.
  SourceLines source;
  SourceTextStatus status = source.open(path);
  if (status == SourceTextStatus::NotRegular)
    reportWarning(tr("User Warning",
                     "Source file %1 is not a regular file; it is treated as missing",
                     "%1 is the name of the source file")
                      .arg(QString::fromLocal8Bit(path.c_str())));
  std::size_t lineCount = 0;
  std::size_t widest = 0;
  if (status == SourceTextStatus::Read) {
    std::string_view text;
    while (source.next(text)) {
      ++lineCount;
      widest = std::max(widest, columnsOf(text, kMaxColumns));
    }
    if (source.failed() || !source.rewind()) status = SourceTextStatus::Failed;
  }
  if (status != SourceTextStatus::Read) {
    writeMissingSource(path);
    return;
  }
  writeLegend();
  std::fprintf(out_, "<div class=\"src%s\" style=\"--w:%dch\">\n", run_.countOriented ? " k" : "",
               static_cast<int>(std::clamp<std::size_t>(widest + 1, kMinColumns, kMaxColumns)));
  std::size_t next = 0;
  for (std::size_t first = 0; first < lineCount; first += kChunkLines) {
    const std::size_t end = std::min(lineCount, first + kChunkLines);
    // Chunks off the screen are neither laid out nor painted; each line carries
    // its own number, as such a chunk keeps CSS counters to itself.
    std::fprintf(out_, "<div class=\"c\" style=\"contain-intrinsic-size:auto %.1fem\">\n",
                 kLineHeight * double(end - first));
    for (std::size_t i = first; i < end; ++i) {
      std::string_view text;
      // A source that shrank or failed since it was measured: its lines are empty.
      if (!source.next(text)) text = {};
      const uint32_t line = static_cast<uint32_t>(i + 1);
      const AnnotatedLine *group =
          next < groups_.size() && groups_[next].line == line ? &groups_[next++] : nullptr;
      writeLine(line, text, group);
    }
    std::fputs("</div>\n", out_);
  }
  std::fputs("</div>\n", out_);
  if (next < groups_.size()) {
    std::fputs("<h2>", out_);
    writeEscaped(out_, label(HlPastEnd, language_));
    std::fputs("</h2>\n", out_);
    writeLinesWithoutSource(next);
  }
}

void FilePage::writeLinesWithoutSource(std::size_t first) {
  std::fprintf(out_, "<div class=\"src far%s\">\n", run_.countOriented ? " k" : "");
  for (std::size_t i = first; i < groups_.size(); i += kChunkLines) {
    const std::size_t end = std::min(groups_.size(), i + kChunkLines);
    std::fprintf(out_, "<div class=\"c\" style=\"contain-intrinsic-size:auto %.1fem\">\n",
                 kLineHeight * double(end - i));
    for (std::size_t g = i; g < end; ++g)
      writeLine(groups_[g].line, std::nullopt, &groups_[g]);
    std::fputs("</div>\n", out_);
  }
  std::fputs("</div>\n", out_);
}

std::optional<uint32_t> FilePage::executionCount(const AnnotatedLine &group) {
  // The items that run code on the line; an implicit block (the path through a
  // missing else), modified conditions and compound vectors run none.
  std::optional<uint32_t> count;
  const std::vector<ListingAnnotation> &entries = annotations_.entries();
  for (std::size_t i = group.first; i < group.end; ++i) {
    const ListingAnnotation &item = entries[i];
    switch (item.kind) {
    case ItemEntry:
    case ItemRegularExit:
    case ItemReturnExit:
    case ItemTerminationExit:
    case ItemCall:
    case ItemSimpleBlock:
    case ItemLogicalBlock:
    case ItemAsyncBlock:
    case ItemBasicCondition:
      if (item.item) count = std::max(count.value_or(0), item.item->totalHits);
      break;
    default:
      break;
    }
  }
  return count;
}

void FilePage::writeLine(uint32_t line, std::optional<std::string_view> text,
                         const AnnotatedLine *group) {
  const unsigned long number = line;
  if (!group) {
    std::fprintf(out_, "<code id=\"L%lu\" data-n=\"%lu\">", number, number);
    writeEscaped(out_, QByteArrayView(text->data(), static_cast<qsizetype>(text->size())));
    std::fputs("</code>\n", out_);
    return;
  }
  const char *state = group->state == LineHitState::Hit         ? "h"
                      : group->state == LineHitState::PartlyHit ? "p"
                                                                : "m";
  std::fprintf(out_, "<div id=\"L%lu\" class=\"%s\"><code data-n=\"%lu\"", number, state, number);
  if (run_.countOriented) {
    if (const std::optional<uint32_t> count = executionCount(*group))
      std::fprintf(out_, " data-c=\"%lu%s\"", static_cast<unsigned long>(*count),
                   *count == kHitCountCeiling ? "+" : "");
  }
  std::fputc('>', out_);
  // A line the source does not have shows its number, without text.
  if (text) writeEscaped(out_, QByteArrayView(text->data(), static_cast<qsizetype>(text->size())));
  std::fputs("</code><span>", out_);
  const std::vector<ListingAnnotation> &entries = annotations_.entries();
  for (std::size_t i = group->first; i < group->end; ++i)
    writeItem(entries[i]);
  if (run_.attribution && executionCount(*group)) writeLineTests(line);
  std::fputs("</span></div>\n", out_);
}

void FilePage::writeLineTests(uint32_t line) {
  const auto found = lineTests_.find(line);
  const std::size_t count = found == lineTests_.end() ? 0 : found->second.size();
  std::fputs("<i class=\"t\"", out_);
  if (count) {
    // The names one per line: a title shows them when the count is pointed at.
    std::fputs(" title=\"", out_);
    bool first = true;
    for (uint32_t ordinal : found->second) {
      if (!first) std::fputs("&#10;", out_);
      first = false;
      writeEscaped(out_, run_.attribution->testName(ordinal));
    }
    std::fputc('"', out_);
  }
  std::fputc('>', out_);
  writeEscaped(out_, label(HlRunByTests, language_));
  std::fprintf(out_, " %lu</i>", static_cast<unsigned long>(count));
}

void FilePage::writeItem(const ListingAnnotation &item) {
  std::fputs(item.hit ? "<i class=\"y\">\u2714 " : "<i class=\"x\">\u2718 ", out_);
  writeEscaped(out_, QString::fromLatin1(itemKindLabel(item.kind, language_)));
  if (item.text) {
    std::fputc(' ', out_);
    writeEscaped(out_, item.text);
  }
  if (item.noPair) {
    std::fputc(' ', out_);
    writeEscaped(out_, QString::fromLatin1(kReportLabels.get(LblNoVectorsPair, language_)));
  } else if (item.detail) {
    std::fputc(' ', out_);
    writeEscaped(out_, item.detail);
  }
  // The counts of modified conditions are never shown: they count pairs, not hits.
  const bool modified =
      item.kind == ItemModifiedCondition || item.kind == AnnotForcedModifiedCondition;
  if (run_.countOriented && item.item && !modified) {
    const uint32_t count = item.item->totalHits;
    std::fprintf(out_, " &#183; %lu ", static_cast<unsigned long>(count));
    writeEscaped(out_, QString::fromLatin1(kReportLabels.get(LblCountUnit, language_)));
    if (count == kHitCountCeiling)
      writeEscaped(out_, QString::fromLatin1(kReportLabels.get(LblCountSaturated, language_)));
  }
  std::fputs("</i>", out_);
}

} // namespace

void writeFilePage(std::FILE *out, const HtmlRun &run, const FileSummary &summary) {
  FilePage page(out, run, summary);
  page.write();
}
