#include "support/rated_types.h"

const char *coverageTypeKey(CoverageTypes bit) {
  if (bit == CovForcedConditions) return "forcedConditions";
  for (const RatedType &rated : kRatedTypes)
    if (rated.type == bit) return rated.key;
  return "";
}
