#include "support/rated_types.h"

uint64_t ratedValue(const CoverageCounts &counts, const RatedType &rated) {
  if (rated.counter == kDecisionsCounter)
    return uint64_t{counts[CntStatementBlocks]} + counts[CntImplicitBlocks];
  return counts[rated.counter];
}

bool isRatedTypeShown(const RatedType &rated, CoverageTypes mask, const CoverageCounts &totals) {
  if (!(mask & rated.type)) return false;
  switch (rated.id) {
  case RatedFunctions:
    return totals[CntFunctions] > 0;
  case RatedFunctionsExits:
    return totals[CntFunctionsExits] > totals[CntFunctions];
  case RatedStatementBlocks:
    return totals[CntStatementBlocks] > 0;
  default:
    return true;
  }
}

const char *ratedTypeName(const RatedType &rated, CoverageTypes mask) {
  return (mask & CovForcedConditions) ? rated.forcedName : rated.name;
}

const char *coverageTypeKey(CoverageTypes bit) {
  if (bit == CovForcedConditions) return "forcedConditions";
  for (const RatedType &rated : kRatedTypes)
    if (rated.type == bit) return rated.key;
  return "";
}
