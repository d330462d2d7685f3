// The decoded command line: one record for the run, read-only after analysis.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/run_settings.h"

/// The engine's settings (RunSettings), and the inputs and output files named.
struct ReportOptions : RunSettings {
  /// Input files after list splitting and pattern expansion, in command-line order.
  std::vector<std::string> inputFiles;
  /// Argument files read ("@file", "-OPTION=file"), each path as opened, in command-line order.
  std::vector<std::string> argumentFiles;
  /// Report file; none means standard output.
  std::optional<std::string> outputFile;
  /// Write annotated listings (-LISTING).
  bool listing = false;
  /// Directory of the listings (-LISTING=<directory>).
  std::optional<std::string> listingDirectory;
  /// CIO file to write (-CIO).
  std::optional<std::string> cioFile;
  /// Path trace report file (-FLOW).
  std::optional<std::string> flowFile;
  /// Cobertura XML file to write (-XML).
  std::optional<std::string> xmlFile;
  /// JSON file of the whole result to write (-JSON).
  std::optional<std::string> jsonFile;
  /// Markdown summary to write (-DIGEST).
  std::optional<std::string> digestFile;
  /// The tests a change needs, written for -AFFECTED.
  std::optional<std::string> affectedFile;
  /// Directory of the HTML report to write (-HTML).
  std::optional<std::string> htmlDirectory;
};

/// Decodes the command line into the record; false after the decoder printed its error.
bool analyseOptions(int argc, char **argv, ReportOptions &options);
/// Frees the selection lists and the decoder's memory.
void releaseOptions(ReportOptions &options);
