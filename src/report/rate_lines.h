// The rate lines that the text report, the CIO file and the pages write, one per
// rated type in the order of the table, with the labels of each.
#pragma once

#include "report/report_labels.h"
#include "support/coverage_types.h"
#include "support/rated_types.h"

/// The labels of each rated type's line: its own, and with forced conditions.
inline constexpr ReportLabel kRateLabels[RatedTypeCount][2] = {
    {LblFunctions, LblFunctions},
    {LblFunctionsExits, LblFunctionsExits},
    {LblCalls, LblCalls},
    {LblStatementBlocks, LblStatementBlocks},
    {LblImplicitBlocks, LblImplicitBlocks},
    {LblDecisions, LblDecisions},
    {LblLoops, LblLoops},
    {LblAsyncBlocks, LblAsyncBlocks},
    {LblBasicConditions, LblBasicConditions},
    {LblModifiedConditions, LblForcedModifiedConditions},
    {LblCompoundConditions, LblForcedCompoundConditions},
};

/// The label of a type's line under a mask (the forced labels of the modified and
/// compound conditions with forced conditions).
inline ReportLabel rateLabel(const RatedType &rated, CoverageTypes mask) {
  return kRateLabels[rated.id][(mask & CovForcedConditions) ? 1 : 0];
}

/// The row of the label of a total of 0: "none" when the file was instrumented
/// for the line's type, "n/a" otherwise.
inline ReportLabel noneRow(CoverageTypes fileTypes, CoverageTypes type) {
  return (fileTypes & type) ? LblNone : LblNotInstrumented;
}
