// The report run: selection check, report header, reading pass, test reports,
// conclusions, and the outputs that follow the same rhythm.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "cli/report_options.h"

class CoverageModel;

/// Writes the whole text report to `out` (0 English, 1 French) and drives the
/// other outputs of the run; every output header is dated `runTime`.
void runReport(std::FILE *out, const std::vector<std::string> &traceFiles,
               const ReportOptions &options, int language, CoverageModel &model,
               std::time_t runTime);
