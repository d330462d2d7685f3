// The lines that a diff (-CHANGES) changes, against the run: which of them carry
// items that run them (the line rule of the Cobertura output), whether the run
// ran them, and which tests did.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/unified_diff.h"

struct ExportRun;
struct ReportScope;
struct SourceFile;
class TestAttribution;

/// A changed line that carries items.
struct ChangedLine {
  /// The file as the Cobertura output spells it.
  std::string path;
  uint32_t line = 0;
  /// Some selected test ran it.
  bool hit = false;
  /// The tests that ran it, each by the first ordinal of its name, increasing.
  std::vector<uint32_t> tests;
};

/// The changed lines of the run.
struct ChangeReport {
  /// The changed lines that carry items, in the diff's order.
  std::vector<ChangedLine> lines;
  /// Those that the run ran.
  uint64_t linesHit = 0;
  /// Changed lines of the report's files that carry no item.
  uint64_t linesWithoutItems = 0;
  /// The diff's paths that match no file of the report, in the diff's order.
  std::vector<std::string> unmatchedPaths;
  /// The tests that ran some changed line, each by the first ordinal of its
  /// name, increasing: the order in which they first appear in the traces.
  std::vector<uint32_t> tests;
};

/// The report's files that the diff's files match (as evaluateChanges matches
/// them), in the report's order.
std::vector<const SourceFile *> filesOfChanges(const UnifiedDiff &diff, const ReportScope &scope,
                                               const std::string &currentDirectory);

/// Matches the diff's files with the report's, by the path the Cobertura output
/// gives them (the diff's path without its b/ prefix, else as written, else the
/// one file whose path ends with it after a '/'), and looks at each changed line.
/// `attribution` may be null: no line then has tests.
ChangeReport evaluateChanges(const UnifiedDiff &diff, const ExportRun &run,
                             const TestAttribution *attribution);
