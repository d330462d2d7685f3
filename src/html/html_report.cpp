#include "html/html_report.h"

#include <QDir>
#include <optional>

#include "cli/report_options.h"
#include "html/coverage_history.h"
#include "html/file_page.h"
#include "html/index_page.h"
#include "html/page_names.h"
#include "model/coverage_model.h"
#include "support/messages.h"
#include "support/output_stream.h"
#include "support/paths.h"
#include "trace/test_state.h"

namespace {

QString local(const std::string &text) {
  return QString::fromLocal8Bit(text.c_str());
}

/// The union of the instrumented types of the selected files.
CoverageTypes selectedTypes(const ReportScope &scope) {
  CoverageTypes types = 0;
  for (const FileSummary &summary : scope.files)
    types |= summary.file->instrumentedTypes;
  return types;
}

} // namespace

void checkHtmlPages(const std::string &directory, const CoverageModel &model,
                    const std::vector<NamedOutput> &outputs,
                    const std::vector<std::string> &inputs) {
  std::vector<NamedOutput> all = outputs;
  for (std::string &page : htmlPagePaths(model, directory))
    all.push_back({"-HTML", std::move(page)});
  std::vector<std::string> read = inputs;
  for (const std::unique_ptr<SourceFile> &file : model.files())
    if (!file->placeholder && file->sourceName)
      read.push_back(
          JoinPath(file->sourceDir ? file->sourceDir->text : "", file->sourceName->text));
  checkOutputsAgainstInputs(all, read);
}

HtmlReport::HtmlReport(const ReportOptions &options, ReportLanguage language, std::time_t runTime)
    : options_(options), directory_(options.htmlDirectory.value_or(".")) {
  run_.language = language;
  run_.runTime = runTime;
  run_.perTest = !options.global;
  if (!QDir().mkpath(local(directory_)))
    reportFatal(
        tr("Fatal Error", "Cannot create HTML directory %1", "%1 is the name of the directory")
            .arg(local(directory_)));
}

void HtmlReport::testEnded(const ReportScope &scope, const TestState &test) {
  if (options_.global) return;
  // The text report's test conclusion: the selected files, their hits in this test.
  reportedTypes_ = selectedTypes(scope);
  HtmlTestRow row;
  if (test.testName && test.testName->text) row.name = test.testName->text;
  if (test.currentDate && test.currentDate->text) row.date = test.currentDate->text;
  row.reportedTypes = reportedTypes_;
  for (uint32_t f = 0; f < scope.files.size(); ++f) {
    const CoverageCounts hits = sumHits(scope.files[f].services, HitSet::Test);
    row.hits += hits;
    if (hits.any()) row.fileHits.emplace_back(f, hits);
  }
  run_.tests.push_back(std::move(row));
}

void HtmlReport::tracesRead(const TestState &trace) {
  run_.countOriented = trace.countOriented;
}

template <typename Write> void HtmlReport::writePage(const std::string &name, Write &&write) {
  const std::string path = JoinPath(directory_, name);
  std::FILE *out = std::fopen(path.c_str(), "w");
  if (!out) {
    reportError(tr("User Error", "Cannot create HTML page %1", "%1 is the name of the file")
                    .arg(local(path)));
    return;
  }
  write(out);
  QString reason;
  if (!closeOutputChecked(out, &reason))
    reportError(
        tr("User Error", "Cannot write all of %1", "%1 is the name of the file").arg(local(path)));
}

void HtmlReport::runConcluded(const ReportScope &scope, HitSet) {
  run_.scope = &scope;
  // The conclusion of the text report: the selected files with -GLOBAL; with
  // -NOGLOBAL every file's selected services, over the whole run.
  if (options_.global) {
    run_.totals = scope.selectedTotals;
    run_.hits = scope.selectedHits(HitSet::Run);
    run_.conclusionTypes = selectedTypes(scope);
  } else {
    run_.totals = scope.concludedTotals;
    run_.hits = sumHits(scope.concludedServices, HitSet::Run);
    run_.conclusionTypes = reportedTypes_;
  }
  // The measures of this run are already recorded.
  const std::optional<CoverageHistory> history = CoverageHistory::load();
  run_.history = history && !history->empty() ? &*history : nullptr;

  writePage(kIndexPage, [this](std::FILE *out) { writeIndexPage(out, run_); });
  if (run_.perTest && testsHaveOwnPage(run_))
    writePage(kTestsPage, [this](std::FILE *out) { writeTestsPage(out, run_); });
  for (const FileSummary &summary : scope.files)
    writePage(filePageName(*summary.file),
              [this, &summary](std::FILE *out) { writeFilePage(out, run_, summary); });
  run_.history = nullptr;
  run_.scope = nullptr;
}
