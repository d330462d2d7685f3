// The items of a service as every output shows them: what each one is, its texts,
// whether a test of the run hit it, and the source lines where it sits. The text
// report, the listings, the pages, the outputs for CI systems and the path trace
// all read a service through these.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/branch_index.h"
#include "model/coverage_records.h"

/// What an item of a service is.
enum ItemKind : uint8_t {
  ItemEntry,
  ItemRegularExit,
  ItemReturnExit,
  ItemTerminationExit,
  ItemCall,
  ItemSimpleBlock,
  ItemImplicitBlock,
  ItemLogicalBlock,
  ItemAsyncBlock,
  ItemBasicCondition,
  ItemModifiedCondition,
  ItemCompoundVector,
  ItemKindCount,
};

/// One item of a service.
struct ServiceItem {
  /// Its coverage-type bit: CovFunctions for the entry, CovFunctionsExits for an
  /// exit, CovCalls, the bit of its block kind, CovBasicConditions,
  /// CovModifiedConditions, CovCompoundConditions.
  CoverageTypes type = 0;
  ItemKind kind = ItemEntry;
  /// Called name, block label, condition or vector text; "" for the entry and
  /// the exits.
  const char *text = "";
  /// "True" or "False" for an outcome of a condition of two outcomes, the pair
  /// label of a modified condition; null when there is none.
  const char *detail = nullptr;
  /// A modified condition without any pair.
  bool noPair = false;
  /// The branch, or the modified-condition item, with its hit state.
  const HitState *state = nullptr;
  /// The line where the text report and the path trace name it: its first line,
  /// except an implicit block (its last line) and a modified condition (the
  /// first line of its condition).
  uint32_t line = 0;
  /// The line where the listings, the pages and the outputs for CI systems place
  /// it: `line`, except a condition of one outcome and a compound vector (their
  /// last line); an item without a line (0) sits on line 1.
  uint32_t placedLine = 1;

  /// Some selected test of the run hit it.
  bool hitInRun() const { return (state->flags & FlagEverHit) != 0; }
};

/// The items, one by one.
ServiceItem entryItem(const Service &service);
/// An exit of kind 1 to 3 (isListedExit).
ServiceItem exitItem(const ExitEntry &exit);
ServiceItem callItem(const CallEntry &call);
/// A block of one of the four kinds.
ServiceItem blockItem(const BlockEntry &block);
/// An outcome of a basic condition: the condition entry at `index`.
ServiceItem outcomeItem(const Service &service, std::size_t index);
ServiceItem modifiedConditionItem(const Service &service, const ModifiedCondition &item);
/// A vector of a compound condition.
ServiceItem vectorItem(const ConditionEntry &vector);

/// Exits of kinds 1 to 3 are items; any other kind is left out.
inline bool isListedExit(const ExitEntry &exit) {
  return exit.kind >= ExitRegular && exit.kind <= ExitTermination;
}

/// The item of a branch that a lookup found; false for an exit of another kind
/// than 1 to 3 and for a block of none of the four kinds.
bool itemOfLookup(const BranchLookup &found, ServiceItem &item);

/// Calls `visit(const ServiceItem &)` for each block of the service whose bit is
/// in `types`, in list order, blocks of different kinds interleaved as listed.
template <typename Visit>
void forEachBlockItem(const Service &service, CoverageTypes types, Visit &&visit) {
  for (const BlockEntry &block : service.blocks)
    if (blockTypeBit(block.kind) & types) visit(blockItem(block));
}

/// Calls `visit(const ServiceItem &)` for each item of the service of one coverage
/// type, in list order: CovFunctions the entry, CovFunctionsExits the exits only,
/// CovCalls the calls, a block bit the blocks of its kind, CovBasicConditions the
/// outcomes of the basic conditions, CovModifiedConditions the modified
/// conditions of the compositions, CovCompoundConditions their vectors.
template <typename Visit>
void forEachItemOfType(const Service &service, CoverageTypes type, Visit &&visit) {
  switch (type) {
  case CovFunctions:
    if (service.hasEntry) visit(entryItem(service));
    return;
  case CovFunctionsExits:
    for (const ExitEntry &exit : service.exits)
      if (isListedExit(exit)) visit(exitItem(exit));
    return;
  case CovCalls:
    for (const CallEntry &call : service.calls)
      visit(callItem(call));
    return;
  case CovStatementBlocks:
  case CovImplicitBlocks:
  case CovLoops:
  case CovAsyncBlocks:
    forEachBlockItem(service, type, visit);
    return;
  case CovBasicConditions:
    for (std::size_t i = 0; i < service.conditions.size(); ++i)
      if (service.conditions[i].kind != CondCompoundVector) visit(outcomeItem(service, i));
    return;
  case CovModifiedConditions:
    for (const Composition &composition : service.compositions)
      for (const ModifiedCondition &item : composition.items)
        visit(modifiedConditionItem(service, item));
    return;
  case CovCompoundConditions:
    for (const Composition &composition : service.compositions)
      for (std::size_t k = 0; k < composition.caseCount; ++k) {
        const std::size_t index = std::size_t{composition.firstVector} + k;
        if (index >= service.conditions.size()) break;
        visit(vectorItem(service.conditions[index]));
      }
    return;
  default:
    return;
  }
}

/// Calls `visit(const ServiceItem &)` for each item of the service that a mask
/// places on source lines, type by type in the order of the report lines: the
/// entry, the exits, the calls, the blocks (simple ones with CovStatementBlocks,
/// the other kinds when their own bit is there too) and, with CovBasicConditions
/// only, the condition outcomes, the modified conditions and the compound vectors.
template <typename Visit>
void forEachPlacedItem(const Service &service, CoverageTypes mask, Visit &&visit) {
  for (CoverageTypes type : {CovFunctions, CovFunctionsExits, CovCalls})
    if (mask & type) forEachItemOfType(service, type, visit);
  if (mask & CovStatementBlocks)
    forEachBlockItem(service,
                     CovStatementBlocks | (mask & (CovImplicitBlocks | CovLoops | CovAsyncBlocks)),
                     visit);
  if (!(mask & CovBasicConditions)) return;
  for (CoverageTypes type : {CovBasicConditions, CovModifiedConditions, CovCompoundConditions})
    if (mask & type) forEachItemOfType(service, type, visit);
}

/// Calls `visit(HitState &, CoverageTypes type)` for every item of a service that
/// a counter counts, with its coverage-type bit, list by list: the entry, the
/// exits, the calls, the blocks, the condition entries (outcomes and vectors)
/// and the modified conditions.
template <typename Visit> void forEachCountedItem(Service &service, Visit &&visit) {
  if (service.hasEntry) visit(service.entry, CovFunctions);
  for (ExitEntry &exit : service.exits)
    visit(exit.branch, CovFunctionsExits);
  for (CallEntry &call : service.calls)
    visit(call.branch, CovCalls);
  for (BlockEntry &block : service.blocks)
    visit(block.branch, blockTypeBit(block.kind));
  for (ConditionEntry &condition : service.conditions)
    visit(condition.branch, conditionTypeBit(condition.kind));
  for (Composition &composition : service.compositions)
    for (ModifiedCondition &item : composition.items)
      visit(item, CovModifiedConditions);
}
