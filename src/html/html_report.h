// The HTML report (-HTML=<directory>): a static site of an index and one page per
// source file, written once the run's conclusion is, after the measures of the
// run were recorded.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "html/html_run.h"
#include "report/run_output.h"
#include "support/output_folder.h"

class CoverageModel;
struct RunSettings;

class HtmlReport : public RunOutput {
public:
  /// `language` is read when the pages are written; no page may be one of the
  /// `inputs` of the run, nor may the site that replaces the directory remove one.
  HtmlReport(const RunSettings &options, std::string directory, const CoverageModel &model,
             const ReportLanguage &language, std::time_t runTime,
             std::vector<std::string> inputs = {});

  /// Every page that a run over the model may write in the directory.
  void declarePaths(std::vector<NamedOutput> &paths) const override;
  /// Creates the directory's parents and the new site beside it; fatal "Cannot
  /// create HTML directory %1" when they cannot be.
  void open() override;
  /// With -NOGLOBAL, the pages show which tests ran each line and what each test
  /// reached.
  bool attributesTests() const override;
  /// With -NOGLOBAL, keeps the test's row and the files it hit.
  void testEnded(const ReportScope &scope, const TestState &test) override;
  void tracesRead(const TestState &trace) override;
  /// Writes the pages, then puts the site in the directory's place. A page that
  /// cannot be written is fatal, and the directory keeps its old site.
  void runConcluded(const RunConclusion &conclusion) override;

private:
  /// Opens, writes with `write` and closes one page of the directory.
  template <typename Write> void writePage(const std::string &name, Write &&write);

  const RunSettings &options_;
  const CoverageModel &model_;
  const ReportLanguage &language_;
  std::string directory_;
  std::vector<std::string> inputs_;
  OutputFolder site_;
  HtmlRun run_;
  /// The union of the types of the selected files, once a test was reported.
  CoverageTypes reportedTypes_ = 0;
  /// The tests are too many for the index: their counts per file are not kept.
  bool countsDropped_ = false;
};
