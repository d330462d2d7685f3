// The coverage types that the outputs rate, one entry each in the order of the
// report lines: the bit that asks for it, the counter that counts it, its keyword
// on the command line, its key in the JSON output and its English name.
#pragma once

#include <bit>
#include <cstdint>

#include "support/coverage_counts.h"
#include "support/coverage_types.h"

/// Positions in kRatedTypes.
enum RatedTypeId : int {
  RatedFunctions,
  RatedFunctionsExits,
  RatedCalls,
  RatedStatementBlocks,
  RatedImplicitBlocks,
  RatedDecisions,
  RatedLoops,
  RatedAsyncBlocks,
  RatedBasicConditions,
  RatedModifiedConditions,
  RatedCompoundConditions,
  RatedTypeCount,
};

/// The counter of the decisions: the statement and implicit blocks together.
inline constexpr int kDecisionsCounter = CntCount;

/// One coverage type with a rate.
struct RatedType {
  RatedTypeId id;
  /// The coverage-type bit that asks for it.
  CoverageTypes type;
  /// Its counter (CountIndex), or kDecisionsCounter.
  int counter;
  /// Its keyword on the command line (-FAILUNDER).
  const char *keyword;
  /// Its key in the JSON output.
  const char *key;
  /// Its English name.
  const char *name;
  /// Its English name when the mask has CovForcedConditions.
  const char *forcedName;
};

/// The rated types in the order of the report lines.
inline constexpr RatedType kRatedTypes[RatedTypeCount] = {
    {RatedFunctions, CovFunctions, CntFunctions, "PROC", "functions", "Functions", "Functions"},
    {RatedFunctionsExits, CovFunctionsExits, CntFunctionsExits, "RET", "functionsAndExits",
     "Functions and exits", "Functions and exits"},
    {RatedCalls, CovCalls, CntCalls, "CALL", "calls", "Calls", "Calls"},
    {RatedStatementBlocks, CovStatementBlocks, CntStatementBlocks, "BLOCK", "statementBlocks",
     "Statement blocks", "Statement blocks"},
    {RatedImplicitBlocks, CovImplicitBlocks, CntImplicitBlocks, "IMPLICIT", "implicitBlocks",
     "Implicit blocks", "Implicit blocks"},
    {RatedDecisions, CovImplicitBlocks, kDecisionsCounter, "DECISION", "decisions", "Decisions",
     "Decisions"},
    {RatedLoops, CovLoops, CntLoops, "LOGICAL", "loops", "Loops", "Loops"},
    {RatedAsyncBlocks, CovAsyncBlocks, CntAsyncBlocks, "ATC", "asynchronousTransferBlocks",
     "Asynchronous transfer blocks", "Asynchronous transfer blocks"},
    {RatedBasicConditions, CovBasicConditions, CntBasicConditions, "COND", "basicConditions",
     "Basic conditions", "Basic conditions"},
    {RatedModifiedConditions, CovModifiedConditions, CntModifiedConditions, "MODIFIED",
     "modifiedConditions", "Modified conditions", "Forced modified conditions"},
    {RatedCompoundConditions, CovCompoundConditions, CntCompoundConditions, "COMPOUND",
     "compoundConditions", "Multiple conditions", "Forced multiple conditions"},
};

/// The counter of each coverage-type bit, by bit position; -1 for the bits that
/// no counter counts.
struct CountersOfBits {
  int8_t counter[16];
};
inline constexpr CountersOfBits kCountersOfBits = [] {
  CountersOfBits counters{};
  for (int8_t &counter : counters.counter)
    counter = -1;
  for (const RatedType &rated : kRatedTypes)
    if (rated.counter != kDecisionsCounter)
      counters.counter[std::countr_zero(rated.type)] = static_cast<int8_t>(rated.counter);
  return counters;
}();

/// The counter (CountIndex) that counts the items of a coverage-type bit, or -1
/// when none does (CovBlockCompanion, CovForcedConditions, no bit at all).
inline int counterOfType(CoverageTypes bit) {
  const bool oneBit = bit != 0 && (bit & (bit - 1)) == 0;
  return oneBit ? kCountersOfBits.counter[std::countr_zero(bit)] : -1;
}

/// The value of a type in counters, totals or hits: its counter, or for the
/// decisions the sum of two (in 64 bits, which no sum of counters overflows).
inline uint64_t ratedValue(const CoverageCounts &counts, const RatedType &rated) {
  if (rated.counter == kDecisionsCounter)
    return uint64_t{counts[CntStatementBlocks]} + counts[CntImplicitBlocks];
  return counts[rated.counter];
}

/// Whether a section under `mask` with these totals has a line for the type: the
/// functions only when there is an entry, the functions and exits only when there
/// are exits, the statement blocks only when there are blocks, every other type
/// of the mask always.
inline bool isRatedTypeShown(const RatedType &rated, CoverageTypes mask,
                             const CoverageCounts &totals) {
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

/// The English name of a type under a mask (the forced name with forced conditions).
inline const char *ratedTypeName(const RatedType &rated, CoverageTypes mask) {
  return (mask & CovForcedConditions) ? rated.forcedName : rated.name;
}

/// The JSON key of a coverage-type bit (the decisions aside): "forcedConditions"
/// for CovForcedConditions, "" for a bit that no type has.
const char *coverageTypeKey(CoverageTypes bit);
