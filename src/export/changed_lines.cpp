#include "export/changed_lines.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "export/export_run.h"
#include "export/export_text.h"
#include "export/line_coverage.h"
#include "model/service_items.h"
#include "report/test_attribution.h"
#include "support/name_table.h"

namespace {

/// What sits on one line of a file: whether it ran, and the sets of tests of
/// its items.
struct LineItems {
  bool hit = false;
  std::vector<const TestSet *> tests;
};

/// The report's files by the path the Cobertura output gives them.
using FilesByPath = std::map<std::string, std::vector<const FileSummary *>>;

const std::vector<const FileSummary *> *matchFiles(const FilesByPath &files,
                                                   const DiffFile &changed) {
  for (const std::string *path : {&changed.path, &changed.givenPath}) {
    const auto found = files.find(*path);
    if (found != files.end()) return &found->second;
  }
  // A diff made from another folder than the current one: the one path that
  // ends with the diff's.
  const std::vector<const FileSummary *> *match = nullptr;
  const std::string tail = "/" + changed.path;
  for (const auto &[path, summaries] : files) {
    if (path.size() < tail.size() || path.compare(path.size() - tail.size(), tail.size(), tail))
      continue;
    if (match) return nullptr;
    match = &summaries;
  }
  return match;
}

FilesByPath filesByPath(const ReportScope &scope, const std::string &currentDirectory) {
  FilesByPath files;
  for (const FileSummary &summary : scope.files)
    files[displayPath(*summary.file, currentDirectory)].push_back(&summary);
  return files;
}

/// The lines of the files that carry items running them.
std::unordered_map<uint32_t, LineItems> linesOf(const ExportRun &run,
                                                const std::vector<const FileSummary *> &summaries,
                                                const TestAttribution *attribution) {
  std::unordered_map<uint32_t, LineItems> lines;
  for (const FileSummary *summary : summaries) {
    const CoverageTypes mask = run.scope->fileMask(*summary->file);
    for (const Service *service : summary->services) {
      std::unordered_map<const HitState *, const TestSet *> tests;
      if (attribution)
        attribution->forEachHitItem(*service, [&](const HitState &item, const TestSet &set) {
          tests.emplace(&item, &set);
        });
      forEachPlacedItem(*service, mask, [&](const ServiceItem &item) {
        if (!runsItsLine(item)) return;
        LineItems &line = lines[item.placedLine];
        line.hit = line.hit || item.hitInRun();
        const auto found = tests.find(item.state);
        if (found != tests.end()) line.tests.push_back(found->second);
      });
    }
  }
  return lines;
}

} // namespace

std::vector<const SourceFile *> filesOfChanges(const UnifiedDiff &diff, const ReportScope &scope,
                                               const std::string &currentDirectory) {
  const FilesByPath files = filesByPath(scope, currentDirectory);
  std::set<const SourceFile *> matched;
  for (const DiffFile &changed : diff.files)
    if (const std::vector<const FileSummary *> *summaries = matchFiles(files, changed))
      for (const FileSummary *summary : *summaries)
        matched.insert(summary->file);
  std::vector<const SourceFile *> ordered;
  for (const FileSummary &summary : scope.files)
    if (matched.count(summary.file)) ordered.push_back(summary.file);
  return ordered;
}

ChangeReport evaluateChanges(const UnifiedDiff &diff, const ExportRun &run,
                             const TestAttribution *attribution) {
  const FilesByPath files = filesByPath(*run.scope, run.currentDirectory);

  // A test is named by its first ordinal: a name met again is the same test.
  std::vector<uint32_t> firstOrdinal;
  if (attribution) {
    std::unordered_map<std::string, uint32_t> first;
    for (uint32_t ordinal = 0; ordinal < attribution->testCount(); ++ordinal)
      firstOrdinal.push_back(first.emplace(attribution->testName(ordinal), ordinal).first->second);
  }

  ChangeReport report;
  for (const DiffFile &changed : diff.files) {
    const std::vector<const FileSummary *> *summaries = matchFiles(files, changed);
    if (!summaries) {
      report.unmatchedPaths.push_back(changed.path);
      continue;
    }
    const std::string path = displayPath(*summaries->front()->file, run.currentDirectory);
    const std::unordered_map<uint32_t, LineItems> lines = linesOf(run, *summaries, attribution);
    for (const uint32_t number : changed.lines) {
      const auto found = lines.find(number);
      if (found == lines.end()) {
        ++report.linesWithoutItems;
        continue;
      }
      ChangedLine line;
      line.path = path;
      line.line = number;
      line.hit = found->second.hit;
      for (const TestSet *tests : found->second.tests)
        tests->forEach([&](uint32_t ordinal) { line.tests.push_back(firstOrdinal.at(ordinal)); });
      std::sort(line.tests.begin(), line.tests.end());
      line.tests.erase(std::unique(line.tests.begin(), line.tests.end()), line.tests.end());
      if (line.hit) ++report.linesHit;
      report.tests.insert(report.tests.end(), line.tests.begin(), line.tests.end());
      report.lines.push_back(std::move(line));
    }
  }
  std::sort(report.tests.begin(), report.tests.end());
  report.tests.erase(std::unique(report.tests.begin(), report.tests.end()), report.tests.end());
  return report;
}
