// The report run: selection check, report header, reading pass, test reports,
// conclusions, and the outputs that follow the same rhythm.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/report_options.h"

class CoverageModel;

/// Writes the whole text report to `out` (0 English, 1 French) and drives the
/// other outputs of the run.
void runReport(std::FILE *out, const std::vector<std::string> &traceFiles,
               const ReportOptions &options, int language, CoverageModel &model);

/// Percentage of hit over total (total > 0): 99.9 for an incomplete rate that
/// would round to 100.0, 0.1 for a non-zero rate that would round to 0.0.
double coverageRate(uint32_t hit, uint32_t total);
