// The modified conditions of a composition: the independence pairs of each basic
// condition among the composition's vectors, and their labels.
#pragma once

#include <cstdint>

#include "model/compositions.h"

/// Most pairs kept for one condition: the label then ends with ", ...". Real
/// compositions stay far below it.
constexpr std::size_t kMaxPairsPerCondition = 1000;
/// Most characters of rows compared for one composition in cases form (each
/// comparison of two rows counts n): a bound on the time a record can cost.
constexpr uint64_t kMaxRowWork = 200000000;

/// Whether rows u and v (n characters each) differ in condition i alone: both
/// known and different there, and elsewhere equal or unknown ('X') in one of them.
inline bool IsIndependencePair(const char *u, const char *v, int i, int n) {
  if (u[i] == v[i] || u[i] == 'X' || v[i] == 'X') return false;
  for (int j = 0; j < n; ++j)
    if (j != i && u[j] != v[j] && u[j] != 'X' && v[j] != 'X') return false;
  return true;
}

/// Builds the items of a composition of `service` with their pairs and labels.
void ComputeModifiedConditions(Service &service, const ConditionIdIndex &ids,
                               Composition *composition);

/// Index of the first condition entry of the service with the ID; none is an
/// internal error.
uint32_t FindConditionEntry(const Service &service, const ConditionIdIndex &ids, uint32_t id);
