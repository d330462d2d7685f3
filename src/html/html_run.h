// What the pages of the HTML report are written from: the run's scope, its
// conclusion, the tests it reported one by one, and the recorded measures.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "export/changed_lines.h"
#include "report/report_scope.h"
#include "support/coverage_counts.h"
#include "support/coverage_types.h"
#include "support/host_services.h"

class CoverageHistory;
class TestAttribution;
struct NameEntry;

/// One test reported on its own (-NOGLOBAL).
struct HtmlTestRow {
  /// Its name (bytes of the traces).
  std::string name;
  /// The date text of its traces; empty when none.
  std::string date;
  /// The hits of the selected files in this test.
  CoverageCounts hits;
  /// The types telling "none" from "n/a" in its conclusion.
  CoverageTypes reportedTypes = 0;
  /// The selected files that it hit, by position in the scope's files.
  std::vector<uint32_t> filesHit;
  /// Its hits in each of them, for the matrix of the index; empty once the tests
  /// are too many for the index (they then go to a page without matrix).
  std::vector<CoverageCounts> fileHitCounts;
};

/// The selected files of one source folder, when they come from several.
struct HtmlFolder {
  /// The folder as the FDC files name it; null for none.
  const NameEntry *folder = nullptr;
  /// Its page.
  std::string page;
  /// Its files, by position in the scope's files.
  std::vector<uint32_t> files;
  /// The sums of its files' totals and hits over the whole run.
  CoverageCounts totals;
  CoverageCounts hits;
  /// The union of its files' instrumented types.
  CoverageTypes types = 0;
};

/// A finished run as the pages show it. Files and functions show the hits of the
/// whole run.
struct HtmlRun {
  const ReportScope *scope = nullptr;
  ReportLanguage language = English;
  std::time_t runTime = 0;
  /// The traces were count-oriented: items show their hit counts.
  bool countOriented = false;
  /// -NOGLOBAL: tests were reported one by one.
  bool perTest = false;
  /// Those tests, in the order they ended.
  std::vector<HtmlTestRow> tests;
  /// The run's conclusion as the text report writes it.
  CoverageCounts totals;
  CoverageCounts hits;
  /// The types telling "none" from "n/a" in the conclusion.
  CoverageTypes conclusionTypes = 0;
  /// The selected files by folder, in the order of their first file; empty when
  /// they all come from one.
  std::vector<HtmlFolder> folders;
  /// The recorded measures, when the measure database has any.
  const CoverageHistory *history = nullptr;
  /// Which tests hit each item, when recorded (-NOGLOBAL); its tests are those of
  /// `tests`, by position, and each has a page.
  const TestAttribution *attribution = nullptr;
  /// The changed lines of -CHANGES, and the page of the file of each of them.
  std::optional<ChangeReport> changes;
  std::vector<std::string> changedLinePages;
};
