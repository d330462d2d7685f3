// The path trace report (-FLOW): the trace files are read again, in the same
// order as for the report, and every hit line of a selected test and source file
// becomes one line naming its branch, in the order the program ran through them.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "cli/report_options.h"

class CoverageModel;

/// Writes the whole path trace to `out` (language 0 English, 1 French; the header
/// is dated `runTime`). Branches are only looked up in the model: nothing in it
/// changes. `out` gets a large buffer, so nothing may have been written to it yet.
/// A stream that cannot be written ends the run.
void runPathTrace(std::FILE *out, const std::vector<std::string> &traceFiles,
                  const ReportOptions &options, int language, CoverageModel &model,
                  std::time_t runTime);
