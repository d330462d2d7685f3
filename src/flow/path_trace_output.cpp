#include "flow/path_trace_output.h"

#include "flow/path_trace.h"
#include "support/host_services.h"
#include "support/messages.h"
#include "support/output_file.h"

PathTraceOutput::PathTraceOutput(std::string path, const std::vector<InputFile> &traceFiles,
                                 const RunSettings &options, const CoverageModel &model,
                                 std::time_t runTime)
    : path_(std::move(path)), traceFiles_(traceFiles), options_(options), model_(model),
      runTime_(runTime) {}

void PathTraceOutput::declarePaths(std::vector<NamedOutput> &paths) const {
  paths.push_back({"-FLOW", path_});
}

void PathTraceOutput::reportClosed() {
  OutputFile file;
  if (!file.open(path_, OnFatal::KeepWritten, nullptr))
    reportFatal(tr("Fatal Error", "Cannot create flow output file %1")
                    .arg(QString::fromLocal8Bit(path_.c_str())));
  // The pass writes whole blocks of its own.
  std::setvbuf(file.stream(), nullptr, _IONBF, 0);
  // The path trace is a run of its own: it asks for its language as the report
  // run did (a bad ZELTOCOV_LAN is warned about again).
  runPathTrace(file.stream(), path_, traceFiles_, options_, reportLanguage(), model_, runTime_);
  file.commitOrFail();
}
