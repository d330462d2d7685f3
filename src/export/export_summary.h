// The run's result as the outputs for CI systems read it, computed once when the
// conclusion is written: the totals and hits of the conclusion and the coverage
// gate (-FAILUNDER). Comes before those outputs in the table of outputs.
#pragma once

#include <ctime>
#include <unordered_set>
#include <vector>

#include "export/coverage_gate.h"
#include "export/export_run.h"
#include "report/run_output.h"

class ExportSummary : public RunOutput {
public:
  ExportSummary(const RunSettings &options, std::time_t runTime);

  void declarePaths(std::vector<NamedOutput> &) const override {}
  /// The changed lines of -CHANGES carry the tests that ran them.
  bool attributesTests() const override { return options_.changes.has_value(); }
  /// Only the tests of the files that the diff changes are read.
  bool attributesTestsOf(const SourceFile &file) const override;
  void runStarted(const ReportScope &scope) override;
  void tracesRead(const TestState &trace) override;
  void runConcluded(const RunConclusion &conclusion) override;

  /// The run, once concluded.
  const ExportRun &run() const { return run_; }
  /// How each threshold fared, once concluded.
  const std::vector<GateResult> &gate() const { return gate_; }

private:
  const RunSettings &options_;
  ExportRun run_;
  std::vector<GateResult> gate_;
  /// The files that the diff of -CHANGES changes.
  std::unordered_set<const SourceFile *> changedFiles_;
};
