// Coverage by source line, as the Cobertura output shows it: the lines where the
// items that execute code sit, how often each ran, and its condition outcomes.
#pragma once

#include <cstdint>
#include <vector>

#include "support/coverage_types.h"

struct Service;
struct ServiceItem;

/// One source line on which code of an item runs.
struct LineCoverage {
  uint32_t line = 0;
  /// How often the line ran: the largest count of its items over the run, an
  /// evaluated condition counting both its outcomes (1 or 0 for each item when
  /// the run is not count-oriented).
  uint32_t hits = 0;
  /// Basic-condition outcomes on the line.
  uint32_t outcomes = 0;
  /// Those of them hit.
  uint32_t outcomesHit = 0;
};

/// Line and outcome counts of a set of lines.
struct LineTotals {
  uint64_t linesValid = 0;
  uint64_t linesCovered = 0;
  uint64_t branchesValid = 0;
  uint64_t branchesCovered = 0;
  LineTotals &operator+=(const LineTotals &other);
};

/// Whether an item executes code on the line where it is placed, so that its
/// hits are the line's: the entry, the exits, the calls, the blocks written in
/// the source and the outcomes of basic conditions (an outcome hit means its
/// condition was evaluated there). An implicit block stands for the path through
/// an else that is not written, and a modified condition or a compound vector
/// for a combination of outcomes: they run nothing of their own, and their
/// information is in their decision's condition outcomes.
bool runsItsLine(const ServiceItem &item);

/// The lines of the items of a service that a mask counts and that run their
/// line (placed as the listings place them), in increasing line order.
std::vector<LineCoverage> serviceLines(const Service &service, CoverageTypes mask,
                                       bool countOriented);

/// The lines in increasing order, each once: a line met several times keeps the
/// largest hit count and the sum of the outcomes.
std::vector<LineCoverage> combineLines(std::vector<LineCoverage> items);

LineTotals totalsOf(const std::vector<LineCoverage> &lines);
