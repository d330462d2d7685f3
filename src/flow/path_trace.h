// The path trace report (-FLOW): the trace files are read again, in the same
// order as for the report, and every hit line of a selected test and source file
// becomes one line naming its branch, in the order the program ran through them.
#pragma once

#include <cstddef>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "support/host_services.h"
#include "support/input_file.h"
#include "support/run_settings.h"

class CoverageModel;

/// Writes the whole path trace to `out` (language 0 English, 1 French; the header
/// is dated `runTime`) and flushes it. The pass puts its lines together in blocks
/// of its own, each written whole (and what it holds is written when a fatal
/// error ends the run): the stream may be unbuffered, which spares a copy.
/// Branches are only looked up in the model: nothing in it changes. A stream that
/// cannot be written ends the run.
/// `outputName` names the stream in messages.
void runPathTrace(std::FILE *out, const std::string &outputName,
                  const std::vector<InputFile> &traceFiles, const RunSettings &options,
                  ReportLanguage language, const CoverageModel &model, std::time_t runTime);
