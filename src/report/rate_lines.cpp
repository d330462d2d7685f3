#include "report/rate_lines.h"

namespace {

/// The labels of each rated type: its own, and with forced conditions.
constexpr ReportLabel kRateLabels[RatedTypeCount][2] = {
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

} // namespace

ReportLabel rateLabel(const RatedType &rated, CoverageTypes mask) {
  return kRateLabels[rated.id][(mask & CovForcedConditions) ? 1 : 0];
}
