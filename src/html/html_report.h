// The HTML report (-HTML=<directory>): a static site of an index and one page per
// source file, written once the run's conclusion is, after the measures of the
// run were recorded.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "html/html_run.h"
#include "report/report_run.h"
#include "support/output_guard.h"

class CoverageModel;
struct ReportOptions;

/// Ends the run (fatal, before anything is written) when a page that a run over
/// this model may write in `directory` is one of the inputs or their sources, or
/// one of the other outputs: the checks of checkOutputsAgainstInputs, with the
/// pages as outputs of -HTML and the loaded files' sources as inputs.
void checkHtmlPages(const std::string &directory, const CoverageModel &model,
                    const std::vector<NamedOutput> &outputs,
                    const std::vector<std::string> &inputs);

class HtmlReport : public ConclusionOutput {
public:
  /// Creates the directory `options.htmlDirectory` (and its parents); fatal when
  /// it cannot be.
  HtmlReport(const ReportOptions &options, ReportLanguage language, std::time_t runTime);

  /// With -NOGLOBAL, keeps the test's row and the files it hit.
  void testEnded(const ReportScope &scope, const TestState &test) override;
  void tracesRead(const TestState &trace) override;
  /// Writes the pages. A page that cannot be written is an error; the others are
  /// still written.
  void runConcluded(const ReportScope &scope, HitSet shown) override;

private:
  /// Opens, writes with `write` and closes one page of the directory.
  template <typename Write> void writePage(const std::string &name, Write &&write);

  const ReportOptions &options_;
  std::string directory_;
  HtmlRun run_;
  /// The union of the types of the selected files, once a test was reported.
  CoverageTypes reportedTypes_ = 0;
};
