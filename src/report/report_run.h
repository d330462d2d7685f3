// The report run: selection check, report header, reading pass, test reports,
// conclusions, and the outputs that follow the same rhythm.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "cli/report_options.h"
#include "report/report_scope.h"
#include "support/host_services.h"
#include "support/input_file.h"

class CoverageModel;
struct TestState;

/// An output that is written once the run's conclusion (and the CIO file) is,
/// before the merged cleaned trace.
class ConclusionOutput {
public:
  virtual ~ConclusionOutput() = default;
  /// `scope` is what the run reported on; `shown` the hits its reports showed
  /// (the run's with -GLOBAL, the last test's with -NOGLOBAL).
  virtual void runConcluded(const ReportScope &scope, HitSet shown) = 0;
  /// A selected test has ended, after its modified conditions were evaluated:
  /// its hits are the services' testCovered (those of this test alone with
  /// -NOGLOBAL or -CIO, else cumulated). Ignored by default.
  virtual void testEnded(const ReportScope &scope, const TestState &test) {
    (void)scope;
    (void)test;
  }
  /// The reading pass has ended, before the conclusion: `trace` holds the run's
  /// count orientation. Ignored by default.
  virtual void tracesRead(const TestState &trace) { (void)trace; }
};

/// Several outputs written after the conclusion, in the order they were added.
class ConclusionOutputs : public ConclusionOutput {
public:
  void add(ConclusionOutput *output) { outputs_.push_back(output); }
  void runConcluded(const ReportScope &scope, HitSet shown) override {
    for (ConclusionOutput *output : outputs_)
      output->runConcluded(scope, shown);
  }
  void testEnded(const ReportScope &scope, const TestState &test) override {
    for (ConclusionOutput *output : outputs_)
      output->testEnded(scope, test);
  }
  void tracesRead(const TestState &trace) override {
    for (ConclusionOutput *output : outputs_)
      output->tracesRead(trace);
  }

private:
  std::vector<ConclusionOutput *> outputs_;
};

/// Writes the whole text report to `out` in `language` and drives the
/// other outputs of the run; every output header is dated `runTime`.
/// `afterConclusion`, when given, is written after the conclusion.
void runReport(std::FILE *out, const std::vector<InputFile> &traceFiles,
               const ReportOptions &options, ReportLanguage language, CoverageModel &model,
               std::time_t runTime, ConclusionOutput *afterConclusion = nullptr);
