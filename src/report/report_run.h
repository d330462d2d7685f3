// The report run: selection check, report header, reading pass, test reports,
// conclusions, and the outputs that follow the same rhythm.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "report/report_scope.h"
#include "support/host_services.h"
#include "support/input_file.h"
#include "support/run_settings.h"

class CoverageModel;
class RunOutputs;

/// Writes the whole text report, in `language`, to the stream of `outputs` and
/// drives every output of the run with its events; every output header is dated
/// `runTime`.
void runReport(const std::vector<InputFile> &traceFiles, const RunSettings &options,
               ReportLanguage language, CoverageModel &model, std::time_t runTime,
               RunOutputs &outputs);
