// The test bookkeeping of a reading pass, read by the report writers.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

#include "support/coverage_types.h"
#include "support/name_table.h"

struct SourceFile;

/// Value of a test or group number that is not set.
constexpr int64_t kNoNumber = -1;

struct TestState {
  /// Name of the current test (a name, the test number's text, or "#"), or none.
  NameEntry *testName = nullptr;
  /// Current test number, or kNoNumber.
  int64_t testNumber = kNoNumber;
  /// Current group number, or kNoNumber.
  int64_t groupNumber = kNoNumber;
  /// A selected test is in progress.
  bool testOpen = false;
  /// A test report was written (a test closed while global is false).
  bool testReported = false;
  /// A cleaned section is due (set by the first NT line with -CLEAN).
  bool cleanPending = false;
  /// Test names met in NT lines.
  std::unordered_set<const NameEntry *> seenTests;
  /// The name "#" of a test without name or number.
  NameEntry *defaultName = nullptr;
  /// The current test is count-oriented (after the end of the pass: the run's
  /// decided count orientation).
  bool countOriented = false;
  /// A CO line was read in the Reading state.
  bool countTestRead = false;
  /// A selected file-part was entered while the test was not count-oriented.
  bool plainPartRead = false;
  /// Effective coverage types: requested, else the union of the files' types.
  CoverageTypes typeSet = 0;
  /// The file-part selected by the last FT line, or none.
  SourceFile *currentPart = nullptr;
  /// The current test's date text (interned), or none. A date read in one trace
  /// file stays with the test carried into the next file; that file's first NT
  /// line clears it unless a DT line came first.
  NameEntry *currentDate = nullptr;
  /// Name of the trace file being read, as the command line gives it.
  std::string traceFileName;
};
