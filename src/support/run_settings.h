// The settings of a run that the engine reads (the reading pass, the report and
// every output): decoded from the command line, completed by the driver, and
// read-only once the run starts. The files the outputs write are not settings:
// each output is given its own path by the table of outputs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/coverage_types.h"
#include "support/name_table.h"
#include "support/rated_types.h"
#include "support/unified_diff.h"

/// Bits of RunSettings::selectAll.
enum SelectAllBits : uint8_t { SelectAllFiles = 1, SelectAllServices = 2, SelectAllTests = 4 };

/// Levels of -SUMMARY, from the most detailed.
enum SummaryLevel : uint8_t {
  SummaryFull = 0,       ///< no -SUMMARY: services with their source references
  SummaryService = 1,    ///< -SUMMARY=SERVICE: services without references
  SummaryFile = 2,       ///< -SUMMARY=FILE: files only
  SummaryConclusion = 3, ///< -SUMMARY=CONCLUSION: conclusions only
};

/// One threshold of -FAILUNDER.
struct CoverageThreshold {
  /// The gated type, an element of kRatedTypes; null for the changed lines.
  const RatedType *type = nullptr;
  /// The percentage in billionths of a percent (80.5 is 80500000000).
  uint64_t scaledPercent = 0;
  /// The percentage as written back in messages ("80.5", without needless zeros).
  std::string percentText;
};

/// What the run does: the coverage types, the report's shape, the selections,
/// the cleaned trace, the gate and the measure database.
struct RunSettings {
  /// Requested coverage types; 0 when no type option was given.
  CoverageTypes coverageTypes = 0;
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
  /// The coverage gate (-FAILUNDER), in command-line order.
  std::vector<CoverageThreshold> coverageThresholds;
  /// The diff file of -CHANGES, and its changes, read when the command line is
  /// decoded; none without it.
  std::optional<std::string> changesFile;
  std::optional<UnifiedDiff> changes;
  /// Any error message of the run makes the exit status 3 (-STRICT).
  bool strict = false;
  /// The root folder of the measure database (ZELTO_TPM_ROOT), read once by the
  /// driver; none when it is not set.
  std::optional<std::string> measureRoot;
};
