#include "html/html_report.h"

#include <optional>

#include "html/coverage_history.h"
#include "html/file_page.h"
#include "html/index_page.h"
#include "html/page_names.h"
#include "model/coverage_model.h"
#include "support/messages.h"
#include "support/output_file.h"
#include "support/output_stream.h"
#include "support/paths.h"
#include "support/run_settings.h"
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

HtmlReport::HtmlReport(const RunSettings &options, std::string directory,
                       const CoverageModel &model, const ReportLanguage &language,
                       std::time_t runTime)
    : options_(options), model_(model), language_(language), directory_(std::move(directory)) {
  run_.runTime = runTime;
  run_.perTest = !options.global;
}

void HtmlReport::declarePaths(std::vector<NamedOutput> &paths) const {
  for (std::string &page : htmlPagePaths(model_, directory_))
    paths.push_back({"-HTML", std::move(page)});
}

void HtmlReport::open() {
  if (!site_.open(directory_, nullptr))
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
  const std::string path = JoinPath(site_.path(), name);
  site_.adding(name);
  OutputFile page;
  QString reason;
  if (!page.open(path, OnFatal::LeaveTarget, &reason))
    reportCannotWrite(local(JoinPath(directory_, name)), reason);
  write(page.stream());
  page.commitOrFail();
}

void HtmlReport::runConcluded(const RunConclusion &conclusion) {
  const ReportScope &scope = *conclusion.scope;
  run_.scope = &scope;
  run_.language = language_;
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
  // The measures of this run are already recorded; only the series of its files are kept.
  std::unordered_set<uint32_t> keys;
  for (const FileSummary &summary : scope.files)
    keys.insert(summary.file->fileKey);
  const std::optional<CoverageHistory> history = CoverageHistory::load(options_.measureRoot, &keys);
  run_.history = history && !history->empty() ? &*history : nullptr;

  writePage(kIndexPage, [this](std::FILE *out) { writeIndexPage(out, run_); });
  if (run_.perTest && testsHaveOwnPage(run_))
    writePage(kTestsPage, [this](std::FILE *out) { writeTestsPage(out, run_); });
  for (const FileSummary &summary : scope.files)
    writePage(filePageName(*summary.file),
              [this, &summary](std::FILE *out) { writeFilePage(out, run_, summary); });
  run_.history = nullptr;
  run_.scope = nullptr;
  QString reason;
  if (!site_.commit(&reason)) reportCannotWrite(local(directory_), reason);
}
