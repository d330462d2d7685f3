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

/// An output that is written once the run's conclusion (and the CIO file) is,
/// before the merged cleaned trace.
class ConclusionOutput {
public:
  virtual ~ConclusionOutput() = default;
  /// `scope` is what the run reported on; `shown` the hits its reports showed
  /// (the run's with -GLOBAL, the last test's with -NOGLOBAL).
  virtual void runConcluded(const ReportScope &scope, HitSet shown) = 0;
};

/// Writes the whole text report to `out` in `language` and drives the
/// other outputs of the run; every output header is dated `runTime`.
/// `afterConclusion`, when given, is written after the conclusion.
void runReport(std::FILE *out, const std::vector<InputFile> &traceFiles,
               const ReportOptions &options, ReportLanguage language, CoverageModel &model,
               std::time_t runTime, ConclusionOutput *afterConclusion = nullptr);
