// The text report's file (-OUTPUT), or standard output, as an output of the run.
// The report run writes the report into its stream.
#pragma once

#include <optional>
#include <string>

#include "report/run_output.h"
#include "support/output_file.h"

class TextReportOutput : public RunOutput {
public:
  explicit TextReportOutput(std::optional<std::string> path, bool perTest)
      : path_(std::move(path)), perTest_(perTest) {}

  void declarePaths(std::vector<NamedOutput> &paths) const override;
  bool keepsTestHits() const override { return perTest_; }
  /// Creates the file; fatal "Cannot create output file %1" when it cannot be.
  void open() override;
  std::FILE *reportStream() override;
  /// Closes the report: a write that did not reach it is fatal.
  void reportClosed() override;

private:
  std::optional<std::string> path_;
  bool perTest_;
  OutputFile file_;
};
