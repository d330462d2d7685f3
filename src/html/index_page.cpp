#include "html/index_page.h"

#include <initializer_list>

#include <QString>
#include <vector>

#include "html/coverage_chart.h"
#include "html/coverage_history.h"
#include "html/html_labels.h"
#include "html/html_text.h"
#include "html/page_layout.h"
#include "html/page_names.h"
#include "html/rate_cells.h"
#include "model/coverage_records.h"
#include "report/report_labels.h"
#include "support/coverage_rate.h"
#include "support/source_map.h"

namespace {

QString label(HtmlLabel row, ReportLanguage language) {
  return QString::fromLatin1(htmlLabel(row, language));
}

void heading(std::FILE *out, const QString &text, const char *id = nullptr) {
  if (id)
    std::fprintf(out, "<h2 id=\"%s\">", id);
  else
    std::fputs("<h2>", out);
  writeEscaped(out, text);
  std::fputs("</h2>\n", out);
}

void headCell(std::FILE *out, const QString &text) {
  std::fputs("<th>", out);
  writeEscaped(out, text);
  std::fputs("</th>", out);
}

QString reportTitle(const HtmlRun &run) {
  return QString::fromLatin1(kReportLabels.get(LblReportTitle, run.language));
}

/// The link to a file's page, with its name as text.
void fileLink(std::FILE *out, const SourceFile &file) {
  std::fprintf(out, "<a href=\"%s\">", filePageName(file).c_str());
  writeEscaped(out, file.sourceName ? file.sourceName->text : "");
  std::fputs("</a>", out);
}

class IndexPage {
public:
  IndexPage(std::FILE *out, const HtmlRun &run)
      : out_(out), run_(run), scope_(*run.scope), language_(run.language), mask_(scope_.runMask()) {
  }

  void write();
  void writeTestsOnly();
  /// The rate of the changed lines (-CHANGES), those that no test ran, each
  /// linked to its line, and the changed lines and files not counted.
  void writeChanges();
  void writeFolder(const HtmlFolder &folder);

private:
  void writeConclusion();
  void writeCharts();
  /// The table of the folders' rates, linking to their pages.
  void writeFolders();
  /// The table of the files at these positions of the scope (all when null).
  void writeFiles(const std::vector<uint32_t> *positions);
  /// The table of the tests; with `filesHit`, a column of the files each hit.
  void writeTests(bool filesHit);
  /// Opens a sortable table of rates of the class `kind`: the heading cells of
  /// `first`, then one for each rate column (the caller ends the heading row).
  void openRatesTable(const char *kind, std::initializer_list<HtmlLabel> first,
                      const std::vector<const RatedType *> &columns);
  void writeMatrix();
  /// The types a folder's rates show: the requested ones, else those its files
  /// were instrumented for (as a file's).
  CoverageTypes folderMask(const HtmlFolder &folder) const {
    return scope_.requestedMask ? scope_.requestedMask : folder.types;
  }
  /// What a test hit in a file, line by line of the file's section.
  QString hitsTitle(const FileSummary &summary, const CoverageCounts &hits) const;

  std::FILE *out_;
  const HtmlRun &run_;
  const ReportScope &scope_;
  const ReportLanguage language_;
  const CoverageTypes mask_;
};

void IndexPage::write() {
  writePageStart(out_, language_, reportTitle(run_), QString(), run_.runTime, nullptr);
  writeConclusion();
  writeChanges();
  writeCharts();
  writeFolders();
  writeFiles(nullptr);
  if (run_.perTest) {
    if (testsHaveOwnPage(run_.tests.size(), scope_.files.size())) {
      heading(out_, label(HlTests, language_), "tests");
      std::fprintf(out_, "<p>%lu ", static_cast<unsigned long>(run_.tests.size()));
      writeEscaped(out_, label(HlTestsElsewhere, language_));
      std::fprintf(out_, " <a href=\"%s\">%s</a></p>\n", kTestsPage, kTestsPage);
    } else {
      writeTests(false);
      writeMatrix();
    }
  }
  writePageEnd(out_, PageScripts::Sort);
}

void IndexPage::writeChanges() {
  if (!run_.changes) return;
  const ChangeReport &changes = *run_.changes;
  heading(out_, label(HlChangedLines, language_), "changes");
  const uint64_t total = changes.lines.size();
  std::fputs("<p class=\"changed\">", out_);
  writeEscaped(out_, label(HlChangedLinesRate, language_));
  std::fputc(' ', out_);
  // No changed line with items: no rate, as the report says of a type without items.
  writeEscaped(out_,
               total ? QString::fromStdString(percentText(coverageRate(changes.linesHit, total)))
                     : plainLabel(LblNone, language_));
  std::fprintf(out_, " (%lu/%lu)</p>\n", static_cast<unsigned long>(changes.linesHit),
               static_cast<unsigned long>(total));
  if (changes.linesHit < total) {
    std::fputs("<p>", out_);
    writeEscaped(out_, label(HlChangedNotRun, language_));
    std::fputs("</p>\n<ul class=\"changed\">\n", out_);
    for (std::size_t i = 0; i < changes.lines.size(); ++i) {
      const ChangedLine &line = changes.lines[i];
      if (line.hit) continue;
      std::fprintf(out_, "<li><a href=\"%s#L%lu\">", run_.changedLinePages[i].c_str(),
                   static_cast<unsigned long>(line.line));
      writeEscaped(out_,
                   QByteArrayView(line.path.data(), static_cast<qsizetype>(line.path.size())));
      std::fprintf(out_, ":%lu</a></li>\n", static_cast<unsigned long>(line.line));
    }
    std::fputs("</ul>\n", out_);
  }
  if (changes.linesWithoutItems) {
    std::fputs("<p class=\"note\">", out_);
    writeEscaped(out_, label(HlChangedWithoutItems, language_));
    std::fprintf(out_, " %lu</p>\n", static_cast<unsigned long>(changes.linesWithoutItems));
  }
  if (!changes.unmatchedPaths.empty()) {
    std::fputs("<p class=\"note\">", out_);
    writeEscaped(out_, label(HlChangedUnmatched, language_));
    std::fputs("</p>\n<ul>\n", out_);
    for (const std::string &path : changes.unmatchedPaths) {
      std::fputs("<li><code>", out_);
      writeEscaped(out_, QByteArrayView(path.data(), static_cast<qsizetype>(path.size())));
      std::fputs("</code></li>\n", out_);
    }
    std::fputs("</ul>\n", out_);
  }
}

void IndexPage::writeTestsOnly() {
  writePageStart(out_, language_, label(HlTests, language_), reportTitle(run_), run_.runTime,
                 kIndexPage);
  // No matrix: it would hold a cell for every test and every file.
  writeTests(true);
  writePageEnd(out_, PageScripts::Sort);
}

void IndexPage::writeFolder(const HtmlFolder &folder) {
  writePageStart(out_, language_,
                 displayText(mapSourcePath(folder.folder ? folder.folder->text : "")),
                 reportTitle(run_), run_.runTime, kIndexPage);
  heading(out_, label(HlDirectory, language_));
  std::fputs("<table class=\"grid rates\"><tbody>\n", out_);
  writeRateRows(out_, folderMask(folder), folder.types, folder.totals, folder.hits, language_);
  std::fputs("</tbody></table>\n", out_);
  writeRateLegend(out_, language_);
  writeFiles(&folder.files);
  writePageEnd(out_, PageScripts::Sort);
}

void IndexPage::writeConclusion() {
  heading(out_, QString::fromLatin1(kReportLabels.get(LblRunConclusion, language_)));
  std::fputs("<table class=\"grid rates\"><tbody>\n", out_);
  writeRateRows(out_, mask_, run_.conclusionTypes, run_.totals, run_.hits, language_);
  std::fputs("</tbody></table>\n", out_);
  writeRateLegend(out_, language_);
}

void IndexPage::openRatesTable(const char *kind, std::initializer_list<HtmlLabel> first,
                               const std::vector<const RatedType *> &columns) {
  std::fprintf(out_, "<table class=\"grid sortable %s\"><thead><tr>", kind);
  for (const HtmlLabel heading : first)
    headCell(out_, label(heading, language_));
  for (const RatedType *rated : columns)
    headCell(out_, rateLineName(*rated, mask_, language_));
}

void IndexPage::writeFolders() {
  if (run_.folders.empty()) return;
  heading(out_, label(HlDirectories, language_), "directories");
  std::vector<const RatedType *> columns;
  for (const RatedType &rated : kRatedTypes) {
    bool shown = false;
    for (const HtmlFolder &folder : run_.folders)
      shown = shown || isRatedTypeShown(rated, folderMask(folder), folder.totals);
    if (shown) columns.push_back(&rated);
  }
  openRatesTable("folders", {HlDirectory, HlFiles}, columns);
  std::fputs("</tr></thead>\n<tbody>\n", out_);
  for (const HtmlFolder &folder : run_.folders) {
    std::fprintf(out_, "<tr><th scope=\"row\"><a href=\"%s\">", folder.page.c_str());
    writeEscaped(out_, mapSourcePath(folder.folder ? folder.folder->text : ""));
    std::fprintf(out_, "</a></th><td>%lu</td>", static_cast<unsigned long>(folder.files.size()));
    for (const RatedType *rated : columns)
      writeRateCell(out_,
                    rateCell(*rated, folderMask(folder), folder.types, folder.totals, folder.hits),
                    language_);
    std::fputs("</tr>\n", out_);
  }
  std::fputs("</tbody></table>\n", out_);
}

void IndexPage::writeCharts() {
  if (!run_.history || run_.history->empty()) return;
  heading(out_, label(HlCoverageOverTime, language_), "history");
  std::fprintf(out_, "<p class=\"note\">%lu ", static_cast<unsigned long>(run_.history->size()));
  writeEscaped(out_, label(HlMeasureCount, language_));
  std::fputs("</p>\n<div class=\"charts\">\n", out_);
  for (const RatedType &rated : kRatedTypes) {
    if (!isRatedTypeShown(rated, mask_, run_.totals)) continue;
    const std::vector<RatePoint> points = run_.history->projectSeries(rated);
    if (!points.empty()) writeRateChart(out_, rateLineName(rated, mask_, language_), points);
  }
  std::fputs("</div>\n", out_);
}

void IndexPage::writeFiles(const std::vector<uint32_t> *positions) {
  heading(out_, label(HlFiles, language_), "files");
  const std::size_t count = positions ? positions->size() : scope_.files.size();
  auto fileAt = [&](std::size_t i) -> const FileSummary & {
    return scope_.files[positions ? (*positions)[i] : i];
  };
  if (count == 0) {
    std::fputs("<p class=\"note\">", out_);
    writeEscaped(out_, label(HlNoFileSelected, language_));
    std::fputs("</p>\n", out_);
    return;
  }
  // A column for each line that the conclusion or some file shows.
  std::vector<const RatedType *> columns;
  for (const RatedType &rated : kRatedTypes) {
    bool shown = isRatedTypeShown(rated, mask_, run_.totals);
    for (std::size_t i = 0; i < count && !shown; ++i)
      shown = isRatedTypeShown(rated, scope_.fileMask(*fileAt(i).file), fileAt(i).totals);
    if (shown) columns.push_back(&rated);
  }
  std::fputs("<p class=\"note\">", out_);
  writeEscaped(out_, label(HlSortHint, language_));
  std::fputs("</p>\n", out_);
  openRatesTable("files", {HlFile, HlDirectory}, columns);
  std::fputs("</tr></thead>\n<tbody>\n", out_);
  for (std::size_t i = 0; i < count; ++i) {
    const FileSummary &summary = fileAt(i);
    const SourceFile &file = *summary.file;
    const CoverageTypes fileMask = scope_.fileMask(file);
    const CoverageCounts hits = sumHits(summary.services, HitSet::Run);
    std::fputs("<tr><th scope=\"row\">", out_);
    fileLink(out_, file);
    if (file.extraText) {
      std::fputs(" <small>(", out_);
      writeEscaped(out_, file.extraText->text);
      std::fputs(")</small>", out_);
    }
    std::fputs("</th><td class=\"d\">", out_);
    writeEscaped(out_, mapSourcePath(file.sourceDir ? file.sourceDir->text : ""));
    std::fputs("</td>", out_);
    for (const RatedType *rated : columns)
      writeRateCell(out_, rateCell(*rated, fileMask, file.instrumentedTypes, summary.totals, hits),
                    language_);
    std::fputs("</tr>\n", out_);
  }
  std::fputs("</tbody></table>\n", out_);
}

void IndexPage::writeTests(bool filesHit) {
  heading(out_, label(HlTests, language_), "tests");
  if (run_.tests.empty()) {
    std::fputs("<p class=\"note\">", out_);
    writeEscaped(out_, label(HlNoTest, language_));
    std::fputs("</p>\n", out_);
    return;
  }
  std::vector<const RatedType *> columns;
  for (const RatedType &rated : kRatedTypes)
    if (isRatedTypeShown(rated, mask_, scope_.selectedTotals)) columns.push_back(&rated);
  openRatesTable("tests", {HlTest, HlDate}, columns);
  if (filesHit) headCell(out_, label(HlFilesHit, language_));
  std::fputs("</tr></thead>\n<tbody>\n", out_);
  for (std::size_t i = 0; i < run_.tests.size(); ++i) {
    const HtmlTestRow &test = run_.tests[i];
    std::fprintf(out_, "<tr><th scope=\"row\" data-v=\"%lu\">", static_cast<unsigned long>(i));
    if (run_.attribution) std::fprintf(out_, "<a href=\"%s\">", testPageName(i).c_str());
    writeEscaped(out_, test.name.c_str());
    if (run_.attribution) std::fputs("</a>", out_);
    std::fputs("</th><td>", out_);
    writeEscaped(out_, test.date.c_str());
    std::fputs("</td>", out_);
    for (const RatedType *rated : columns)
      writeRateCell(out_,
                    rateCell(*rated, mask_, test.reportedTypes, scope_.selectedTotals, test.hits),
                    language_);
    if (filesHit) {
      // Only the files the test hit, each a link: the page grows with the hits,
      // not with the product of the tests and the files.
      std::fprintf(out_, "<td class=\"hitfiles\" data-v=\"%lu\">",
                   static_cast<unsigned long>(test.filesHit.size()));
      for (uint32_t position : test.filesHit) {
        fileLink(out_, *scope_.files[position].file);
        std::fputc(' ', out_);
      }
      std::fputs("</td>", out_);
    }
    std::fputs("</tr>\n", out_);
  }
  std::fputs("</tbody></table>\n", out_);
}

void IndexPage::writeMatrix() {
  heading(out_, label(HlTestsAndFiles, language_), "matrix");
  if (run_.tests.empty() || scope_.files.empty()) return;
  std::fputs("<table class=\"grid matrix\"><thead><tr>", out_);
  headCell(out_, label(HlTest, language_));
  for (const FileSummary &summary : scope_.files) {
    std::fputs("<th class=\"f\">", out_);
    fileLink(out_, *summary.file);
    std::fputs("</th>", out_);
  }
  std::fputs("</tr></thead>\n<tbody>\n", out_);
  for (const HtmlTestRow &test : run_.tests) {
    std::fputs("<tr><th scope=\"row\">", out_);
    writeEscaped(out_, test.name.c_str());
    std::fputs("</th>", out_);
    std::size_t next = 0;
    for (uint32_t f = 0; f < scope_.files.size(); ++f) {
      if (next < test.filesHit.size() && test.filesHit[next] == f) {
        const QString title = hitsTitle(scope_.files[f], test.fileHitCounts[next]);
        std::fputs("<td title=\"", out_);
        writeEscaped(out_, title);
        std::fputs("\">&#9679;</td>", out_);
        ++next;
      } else {
        std::fputs("<td></td>", out_);
      }
    }
    std::fputs("</tr>\n", out_);
  }
  std::fputs("</tbody></table>\n", out_);
}

QString IndexPage::hitsTitle(const FileSummary &summary, const CoverageCounts &hits) const {
  const CoverageTypes fileMask = scope_.fileMask(*summary.file);
  QString title;
  for (const RatedType &rated : kRatedTypes) {
    if (!isRatedTypeShown(rated, fileMask, summary.totals)) continue;
    const uint64_t total = ratedValue(summary.totals, rated);
    if (total == 0) continue;
    if (!title.isEmpty()) title += QStringLiteral(", ");
    title += rateLineName(rated, fileMask, language_) +
             QStringLiteral(" %1/%2").arg(QString::number(ratedValue(hits, rated)),
                                          QString::number(total));
  }
  return title;
}

} // namespace

bool testsHaveOwnPage(std::size_t tests, std::size_t files) {
  return tests > kIndexTests || tests * files > kIndexMatrixCells;
}

void writeIndexPage(std::FILE *out, const HtmlRun &run) {
  IndexPage page(out, run);
  page.write();
}

void writeTestsPage(std::FILE *out, const HtmlRun &run) {
  IndexPage page(out, run);
  page.writeTestsOnly();
}

void writeFolderPage(std::FILE *out, const HtmlRun &run, const HtmlFolder &folder) {
  IndexPage page(out, run);
  page.writeFolder(folder);
}
