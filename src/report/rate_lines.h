// The rate lines that the text report and the CIO file write, in their order,
// with the counter and the labels of each.
#pragma once

#include "report/report_labels.h"
#include "support/coverage_counts.h"
#include "support/coverage_types.h"

/// One rate line.
struct RateLine {
  /// The coverage-type bit that asks for the line.
  CoverageTypes type;
  /// Its counter; CntCount for the decisions, the statement and implicit blocks
  /// together.
  int counter;
  /// Its label.
  ReportLabel label;
  /// Its label when the mask has CovForcedConditions.
  ReportLabel forcedLabel;
};

/// The rate lines after the functions line, in the order of the outputs.
inline constexpr RateLine kRateLines[] = {
    {CovFunctionsExits, CntFunctionsExits, LblFunctionsExits, LblFunctionsExits},
    {CovCalls, CntCalls, LblCalls, LblCalls},
    {CovStatementBlocks, CntStatementBlocks, LblStatementBlocks, LblStatementBlocks},
    {CovImplicitBlocks, CntImplicitBlocks, LblImplicitBlocks, LblImplicitBlocks},
    {CovImplicitBlocks, CntCount, LblDecisions, LblDecisions},
    {CovLoops, CntLoops, LblLoops, LblLoops},
    {CovAsyncBlocks, CntAsyncBlocks, LblAsyncBlocks, LblAsyncBlocks},
    {CovBasicConditions, CntBasicConditions, LblBasicConditions, LblBasicConditions},
    {CovModifiedConditions, CntModifiedConditions, LblModifiedConditions,
     LblForcedModifiedConditions},
    {CovCompoundConditions, CntCompoundConditions, LblCompoundConditions,
     LblForcedCompoundConditions},
};

/// The functions line, which comes before the others (at service level the text
/// report shows it as the service's hit mark).
inline constexpr RateLine kFunctionsRateLine = {CovFunctions, CntFunctions, LblFunctions,
                                                LblFunctions};

/// Whether a section under `mask` with these totals shows the line: the functions
/// line only when there is an entry, the exits line only when there are exits, the
/// statement blocks line only when there are blocks, every other line of the mask
/// always.
inline bool isRateLineShown(const RateLine &line, CoverageTypes mask,
                            const CoverageCounts &totals) {
  if (!(mask & line.type)) return false;
  switch (line.type) {
  case CovFunctions:
    return totals[CntFunctions] > 0;
  case CovFunctionsExits:
    return totals[CntFunctionsExits] > totals[CntFunctions];
  case CovStatementBlocks:
    return totals[CntStatementBlocks] > 0;
  default:
    return true;
  }
}

/// The value of a line's counter.
inline uint32_t rateValue(const CoverageCounts &counts, const RateLine &line) {
  if (line.counter == CntCount) return counts[CntStatementBlocks] + counts[CntImplicitBlocks];
  return counts[line.counter];
}

/// The label of a line under a mask.
inline ReportLabel rateLabel(const RateLine &line, CoverageTypes mask) {
  return (mask & CovForcedConditions) ? line.forcedLabel : line.label;
}

/// The row of the label of a total of 0: "none" when the file was instrumented
/// for the line's type, "n/a" otherwise.
inline ReportLabel noneRow(CoverageTypes fileTypes, CoverageTypes type) {
  return (fileTypes & type) ? LblNone : LblNotInstrumented;
}
