#include "html/html_report.h"

#include <optional>
#include <unordered_map>

#include "export/changed_lines.h"
#include "export/export_run.h"
#include "export/export_text.h"
#include "html/coverage_history.h"
#include "html/file_page.h"
#include "html/index_page.h"
#include "html/page_names.h"
#include "html/test_coverage.h"
#include "html/test_page.h"
#include "model/coverage_model.h"
#include "support/messages.h"
#include "support/output_file.h"
#include "support/output_guard.h"
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

/// The selected files by source folder, when they come from several; each
/// folder's page is named after its position among the model's folders.
std::vector<HtmlFolder> foldersOf(const ReportScope &scope, const CoverageModel &model) {
  std::vector<HtmlFolder> folders;
  std::unordered_map<const NameEntry *, std::size_t> byFolder;
  for (uint32_t f = 0; f < scope.files.size(); ++f) {
    const FileSummary &summary = scope.files[f];
    const NameEntry *name = summary.file->sourceDir;
    const auto [at, added] = byFolder.emplace(name, folders.size());
    if (added) folders.emplace_back().folder = name;
    HtmlFolder &folder = folders[at->second];
    folder.files.push_back(f);
    folder.totals += summary.totals;
    folder.hits += sumHits(summary.services, HitSet::Run);
    folder.types |= summary.file->instrumentedTypes;
  }
  if (folders.size() < 2) return {};
  const std::vector<const NameEntry *> all = sourceFolders(model);
  std::unordered_map<const NameEntry *, std::size_t> positions;
  for (std::size_t i = 0; i < all.size(); ++i)
    positions.emplace(all[i], i);
  for (HtmlFolder &folder : folders)
    folder.page = folderPageName(positions.at(folder.folder), folder.folder);
  return folders;
}

/// The changed lines of the run, and the page of each (-CHANGES).
void noteChangedLines(HtmlRun &run, const UnifiedDiff &changes, const RunSettings &options) {
  ExportRun changed;
  changed.scope = run.scope;
  changed.options = &options;
  changed.currentDirectory = currentDirectoryPath();
  run.changes = evaluateChanges(changes, changed, nullptr);
  std::unordered_map<std::string, std::string> pages;
  for (const FileSummary &summary : run.scope->files)
    pages.emplace(displayPath(*summary.file, changed.currentDirectory),
                  filePageName(*summary.file));
  for (const ChangedLine &line : run.changes->lines)
    run.changedLinePages.push_back(pages[line.path]);
}

/// The pages of `count` tests, known only once the traces are read, are guarded
/// against the inputs before any page is written (the other pages were guarded
/// with every output).
void guardTestPages(std::size_t count, const std::string &directory,
                    const std::vector<std::string> &inputs) {
  std::vector<NamedOutput> pages;
  pages.reserve(count);
  for (std::size_t t = 0; t < count; ++t)
    pages.push_back({"-HTML", JoinPath(directory, testPageName(t))});
  checkOutputsAgainstInputs(pages, inputs);
}

} // namespace

HtmlReport::HtmlReport(const RunSettings &options, std::string directory,
                       const CoverageModel &model, const ReportLanguage &language,
                       std::time_t runTime, std::vector<std::string> inputs)
    : options_(options), model_(model), language_(language), directory_(std::move(directory)),
      inputs_(std::move(inputs)) {
  run_.runTime = runTime;
  run_.perTest = !options.global;
}

void HtmlReport::declarePaths(std::vector<NamedOutput> &paths) const {
  for (std::string &page : htmlPagePaths(model_, directory_))
    paths.push_back({"-HTML", std::move(page)});
}

void HtmlReport::open() {
  if (!site_.open(directory_, nullptr, inputs_))
    reportFatal(
        tr("Fatal Error", "Cannot create HTML directory %1", "%1 is the name of the directory")
            .arg(local(directory_)));
}
bool HtmlReport::attributesTests() const {
  return !options_.global;
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
    // The modified conditions of a test count the pairs found with the vectors of
    // the tests before it too: they do not tell that the test ran the file.
    CoverageCounts ran = hits;
    ran[CntModifiedConditions] = 0;
    if (!ran.any()) continue;
    row.filesHit.push_back(f);
    row.fileHitCounts.push_back(hits);
  }
  run_.tests.push_back(std::move(row));
  // Past the index's bounds the tests go to a page of their own, which shows the
  // files each test hit without their counts: the counts are let go.
  if (!countsDropped_ && testsHaveOwnPage(run_.tests.size(), scope.files.size())) {
    for (HtmlTestRow &earlier : run_.tests)
      std::vector<CoverageCounts>().swap(earlier.fileHitCounts);
    countsDropped_ = true;
  } else if (countsDropped_) {
    std::vector<CoverageCounts>().swap(run_.tests.back().fileHitCounts);
  }
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
  if (site_.syncsFiles()) page.leaveSyncToFolder();
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

  run_.folders = foldersOf(scope, model_);

  // Recorded for this report with -NOGLOBAL only; another output may have it
  // recorded for some files (-CHANGES), which the pages do not show.
  if (attributesTests()) run_.attribution = conclusion.attribution;
  if (options_.changes) noteChangedLines(run_, *options_.changes, options_);

  std::vector<std::vector<TestItem>> testItems;
  if (run_.attribution) {
    testItems = itemsByTest(*run_.attribution, scope);
    guardTestPages(testItems.size(), directory_, inputs_);
  }

  writePage(kIndexPage, [this](std::FILE *out) { writeIndexPage(out, run_); });
  for (const HtmlFolder &folder : run_.folders)
    writePage(folder.page, [this, &folder](std::FILE *out) { writeFolderPage(out, run_, folder); });
  if (run_.perTest && testsHaveOwnPage(run_.tests.size(), scope.files.size()))
    writePage(kTestsPage, [this](std::FILE *out) { writeTestsPage(out, run_); });
  for (const FileSummary &summary : scope.files)
    writePage(filePageName(*summary.file),
              [this, &summary](std::FILE *out) { writeFilePage(out, run_, summary); });
  // Each entry is a hit item and a test that hit it: the pages grow with the hits.
  for (uint32_t t = 0; t < testItems.size(); ++t)
    writePage(testPageName(t),
              [this, t, &testItems](std::FILE *out) { writeTestPage(out, run_, t, testItems[t]); });
  run_.attribution = nullptr;
  run_.history = nullptr;
  run_.scope = nullptr;
  QString reason;
  if (!site_.commit(&reason)) reportCannotWrite(local(directory_), reason);
}
