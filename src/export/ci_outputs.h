// The outputs for CI systems (-XML, -JSON, -DIGEST) and the exit status that
// CI pipelines read (-FAILUNDER, -STRICT), as one output of the report run.
#pragma once

#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/coverage_gate.h"
#include "report/report_run.h"

class JsonReport;
struct ReportOptions;

/// Exit status of a run whose coverage is below a threshold of -FAILUNDER.
constexpr int kExitCoverageBelow = 2;
/// Exit status of a run with -STRICT that reported an error.
constexpr int kExitStrictErrors = 3;

class CiOutputs : public ConclusionOutput {
public:
  /// Creates the files asked for (a file that cannot be created is fatal, before
  /// any trace is read).
  CiOutputs(const ReportOptions &options, std::time_t runTime);
  ~CiOutputs() override;
  CiOutputs(const CiOutputs &) = delete;
  CiOutputs &operator=(const CiOutputs &) = delete;

  void testEnded(const ReportScope &scope, const TestState &test) override;
  void tracesRead(const TestState &trace) override;
  /// Writes the XML, the JSON and the digest, and evaluates the gate.
  void runConcluded(const ReportScope &scope, HitSet shown) override;

  /// Called once every output of the run is written: lists the thresholds not
  /// met and answers the exit status: 3 with -STRICT when an error was reported
  /// or an input could not be read, else 2 when a threshold was not met, else 0.
  int exitStatus();

private:
  /// One file being written.
  struct Output {
    std::FILE *stream = nullptr;
    std::string name;
  };
  /// Creates a file; fatal when it cannot be.
  static Output create(const std::optional<std::string> &name, const char *failure);
  /// Closes a file; an error when what was written did not all reach it.
  static void close(Output &output);

  const ReportOptions &options_;
  const std::time_t runTime_;
  bool countOriented_ = false;
  Output xml_;
  Output json_;
  Output digest_;
  std::unique_ptr<JsonReport> jsonReport_;
  std::vector<GateResult> gate_;
};
