// The path trace report (-FLOW) as an output of the run: it reads the traces a
// second time once the text report and the listings are written.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "report/run_output.h"
#include "support/input_file.h"

class CoverageModel;
struct RunSettings;

class PathTraceOutput : public RunOutput {
public:
  PathTraceOutput(std::string path, const std::vector<InputFile> &traceFiles,
                  const RunSettings &options, const CoverageModel &model, std::time_t runTime);

  void declarePaths(std::vector<NamedOutput> &paths) const override;
  /// Creates the file (fatal "Cannot create flow output file %1" when it cannot
  /// be), asks for the report language, writes the path trace and closes it.
  void reportClosed() override;

private:
  std::string path_;
  const std::vector<InputFile> &traceFiles_;
  const RunSettings &options_;
  const CoverageModel &model_;
  std::time_t runTime_;
};
