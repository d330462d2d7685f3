// What the recorded tests reached, as the pages show it: the tests that ran each
// line of a file (by the line rule of the outputs for CI systems), and the items
// that each test hit, with those that no other test hit.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "report/report_scope.h"
#include "support/coverage_types.h"

class TestAttribution;

/// The tests that ran each line of a file that some test ran: the union of the
/// tests of the items that run the line (runsItsLine), ordinals increasing.
std::map<uint32_t, std::vector<uint32_t>>
testsByLine(const TestAttribution &attribution, const FileSummary &summary, CoverageTypes mask);

/// An item that a test hit.
struct TestItem {
  /// The file, by position in the scope's files.
  uint32_t file = 0;
  /// The line where the pages place it.
  uint32_t line = 0;
  /// Its listing kind, its text and detail (as the listings name them).
  uint8_t kind = 0;
  const char *text = "";
  const char *detail = nullptr;
  /// No other test hit it.
  bool only = false;
};

/// For each recorded test (by ordinal), the items of the selected files that it
/// hit, by file in the scope's order and then by line (items of one line in the
/// order of the file's functions and items). The entries are as many as the pairs of a hit item and
/// a test that hit it.
std::vector<std::vector<TestItem>> itemsByTest(const TestAttribution &attribution,
                                               const ReportScope &scope);
