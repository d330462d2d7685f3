// The path trace report (-FLOW): the trace files are read again, in the same
// order as for the report, and every hit line of a selected test and source file
// becomes one line naming its branch, in the order the program ran through them.
#pragma once

#include <cstddef>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "cli/report_options.h"
#include "support/host_services.h"
#include "support/input_file.h"

class CoverageModel;

/// Bytes of the buffer that the path trace stream should have: the path trace is
/// often larger than the traces, and its lines reach the stream in pieces between
/// two trace lines that are not plain hit lines (before which the pass hands what
/// it wrote to the stream, so that a fatal error leaves it in the file).
inline constexpr std::size_t kPathTraceStreamBuffer = 1024 * 1024;

/// Writes the whole path trace to `out` (language 0 English, 1 French; the header
/// is dated `runTime`) and flushes it. Branches are only looked up in the model:
/// nothing in it changes. A stream that cannot be written ends the run.
void runPathTrace(std::FILE *out, const std::vector<InputFile> &traceFiles,
                  const ReportOptions &options, ReportLanguage language, CoverageModel &model,
                  std::time_t runTime);
