// The table of outputs: every output of a run (text report, CIO file, cleaned
// trace, measures, XML, JSON, digest, HTML, listings, path trace) is one line of
// it. The driver asks the table which outputs the options want, guards every path
// they will write at once, opens them, and hands them to the report run, which
// gives each event to each output in table order.
#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "report/run_output.h"
#include "support/host_services.h"
#include "support/input_file.h"

class CoverageModel;
class ExportSummary;
struct ReportOptions;

/// What the outputs of a run are made from.
struct OutputContext {
  const ReportOptions &options;
  const CoverageModel &model;
  const std::vector<InputFile> &traceFiles;
  std::time_t runTime;
  /// Every input of the run (inputsOfRun), which no output may destroy.
  std::vector<std::string> inputs;
  /// The language of the report run, asked once the outputs are open; read by
  /// the outputs as they write (the path trace asks again for its own run).
  ReportLanguage language = English;
  /// The result that the outputs for CI systems share, once made.
  ExportSummary *summary = nullptr;
};

/// One line of the table.
struct OutputKind {
  /// The options that ask for it, for the reader.
  const char *options;
  /// True when the run's options ask for it.
  bool (*wanted)(const ReportOptions &options);
  /// Makes it.
  std::unique_ptr<RunOutput> (*make)(OutputContext &context);
};

/// The table, in the order the outputs hear the run's events.
const std::vector<OutputKind> &outputTable();

/// The outputs the options ask for, in table order.
RunOutputs makeOutputs(OutputContext &context);
/// Every path those outputs will write.
std::vector<NamedOutput> outputPaths(const RunOutputs &outputs);

/// Every file the run reads, which no output may be: the input files, the
/// argument files and the sources of the loaded FDC files.
std::vector<std::string> inputsOfRun(const ReportOptions &options, const CoverageModel &model);
