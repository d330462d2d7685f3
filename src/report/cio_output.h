// The CIO file (-CIO) as an output of the run.
#pragma once

#include <ctime>
#include <memory>
#include <string>

#include "report/cio_file.h"
#include "report/run_output.h"

class CoverageModel;

class CioOutput : public RunOutput {
public:
  CioOutput(std::string path, const CoverageModel &model, std::time_t runTime);

  void declarePaths(std::vector<NamedOutput> &paths) const override;
  bool keepsTestHits() const override { return true; }
  bool clearsHitFlags() const override { return true; }
  /// Creates the file (fatal when it cannot be) and writes its header.
  void runStarted(const ReportScope &scope) override;
  void testEnded(const ReportScope &scope, const TestState &test) override;
  void groupEnded(const TestState &test) override;
  void tracesEnded() override;
  /// Writes the R section and closes the file.
  void runConcluded(const RunConclusion &conclusion) override;

private:
  std::string path_;
  const CoverageModel &model_;
  std::time_t runTime_;
  std::unique_ptr<CioFile> cio_;
};
