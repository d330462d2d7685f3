// The items of a service that the machine-readable outputs count, each on the
// source line where the annotated listings place it.
#pragma once

#include <cstdint>

#include "model/coverage_records.h"
#include "report/service_references.h"

/// Whether a selected test of the run hit the item.
inline bool hitOverRun(const ServiceReference &ref) {
  return ref.item && (ref.item->flags & FlagEverHit) != 0;
}

/// Calls `visit(const ServiceReference &, uint32_t line)` for each item of the
/// service that a mask counts, type by type in the order of the report lines:
/// the entry, the exits, the calls, the blocks (simple ones with
/// CovStatementBlocks, the other kinds when their own bit is there too) and,
/// with CovBasicConditions only, the condition outcomes, the modified conditions
/// and the compound vectors. Each item sits on its first line, except implicit
/// blocks and conditions of one outcome (on their last line), modified
/// conditions (on the first line of their condition) and compound vectors (on
/// the last line of their decision); an item without a line (0) sits on line 1.
template <typename Visit>
void forEachPlacedItem(const Service &service, CoverageTypes mask, Visit &&visit) {
  auto place = [&visit](const ServiceReference &ref, uint32_t line) {
    visit(ref, line == 0 ? uint32_t{1} : line);
  };
  if (mask & CovFunctions)
    forEachReference(service, CovFunctions,
                     [&](const ServiceReference &ref) { place(ref, ref.line); });
  if (mask & CovFunctionsExits)
    forEachReference(service, CovFunctionsExits,
                     [&](const ServiceReference &ref) { place(ref, ref.line); });
  if (mask & CovCalls)
    forEachReference(service, CovCalls, [&](const ServiceReference &ref) { place(ref, ref.line); });
  if (mask & CovStatementBlocks) {
    const CoverageTypes blocks =
        CovStatementBlocks | (mask & (CovImplicitBlocks | CovLoops | CovAsyncBlocks));
    forEachBlockReference(service, blocks,
                          [&](const ServiceReference &ref) { place(ref, ref.line); });
  }
  if (!(mask & CovBasicConditions)) return;
  forEachReference(service, CovBasicConditions, [&](const ServiceReference &ref) {
    place(ref, ref.singleCondition ? ref.lastLine : ref.line);
  });
  if (mask & CovModifiedConditions)
    forEachReference(service, CovModifiedConditions,
                     [&](const ServiceReference &ref) { place(ref, ref.line); });
  if (mask & CovCompoundConditions)
    forEachReference(service, CovCompoundConditions,
                     [&](const ServiceReference &ref) { place(ref, ref.lastLine); });
}
