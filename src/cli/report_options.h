// The decoded command line: one record for the run, read-only after analysis.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/coverage_thresholds.h"
#include "support/coverage_types.h"
#include "support/name_table.h"

/// Bits of ReportOptions::selectAll.
enum SelectAllBits : uint8_t { SelectAllFiles = 1, SelectAllServices = 2, SelectAllTests = 4 };

/// Levels of -SUMMARY, from the most detailed.
enum SummaryLevel : uint8_t {
  SummaryFull = 0,       ///< no -SUMMARY: services with their source references
  SummaryService = 1,    ///< -SUMMARY=SERVICE: services without references
  SummaryFile = 2,       ///< -SUMMARY=FILE: files only
  SummaryConclusion = 3, ///< -SUMMARY=CONCLUSION: conclusions only
};

struct ReportOptions {
  /// Input files after list splitting and pattern expansion, in command-line order.
  std::vector<std::string> inputFiles;
  /// Argument files read ("@file", "-OPTION=file"), each path as opened, in command-line order.
  std::vector<std::string> argumentFiles;
  /// Requested coverage types; 0 when no type option was given.
  CoverageTypes coverageTypes = 0;
  /// Report file; none means standard output.
  std::optional<std::string> outputFile;
  /// One cumulated result for all tests (false with -NOGLOBAL).
  bool global = true;
  /// Every test-start line begins a new test (-ITERATION).
  bool iterations = false;
  /// Cleaned trace file to write (-CLEAN).
  std::optional<std::string> cleanFile;
  /// Merge all tests in the cleaned trace (-MERGETESTS, only with -CLEAN).
  bool mergeTests = false;
  /// Branch lists show covered branches (-BRANCH=COV).
  bool listCovered = false;
  /// -SUMMARY: how far the report goes down.
  SummaryLevel summaryLevel = SummaryFull;
  /// Write annotated listings (-LISTING).
  bool listing = false;
  /// Directory of the listings (-LISTING=<directory>).
  std::optional<std::string> listingDirectory;
  /// Bit 0 all files, bit 1 all services, bit 2 all tests selected by default.
  uint8_t selectAll = 7;
  /// Included files (upper-cased base names).
  OccurrenceList fileList;
  /// Excluded files (upper-cased base names).
  OccurrenceList excludedFileList;
  /// Included services (names as typed).
  OccurrenceList serviceList;
  /// Excluded services.
  OccurrenceList excludedServiceList;
  /// Included tests (names as typed).
  OccurrenceList testList;
  /// Excluded tests.
  OccurrenceList excludedTestList;
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
  /// Directory of the HTML report to write (-HTML).
  std::optional<std::string> htmlDirectory;
  /// The coverage gate (-FAILUNDER), in command-line order.
  std::vector<CoverageThreshold> coverageThresholds;
  /// Any error message of the run makes the exit status 3 (-STRICT).
  bool strict = false;
};

/// Decodes the command line into the record; false after the decoder printed its error.
bool analyseOptions(int argc, char **argv, ReportOptions &options);
/// Frees the selection lists and the decoder's memory.
void releaseOptions(ReportOptions &options);
