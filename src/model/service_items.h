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

  ServiceItem() = default;
  /// An item on a branch, named on line `named` and placed on line `placed`.
  ServiceItem(const Branch &branch, CoverageTypes itemType, ItemKind itemKind, const char *itemText,
              uint32_t named, uint32_t placed)
      : type(itemType), kind(itemKind), text(itemText), state(&branch), line(named),
        placedLine(placed == 0 ? 1 : placed) {}

  /// Some selected test of the run hit it.
  bool hitInRun() const { return (state->flags & FlagEverHit) != 0; }
};

/// Exits of kinds 1 to 3 are items; any other kind is left out.
inline bool isListedExit(const ExitEntry &exit) {
  return exit.kind >= ExitRegular && exit.kind <= ExitTermination;
}

/// The text of a condition entry: the condition of an outcome, or a vector; ""
/// when it has none.
inline const char *conditionText(const ConditionEntry &entry) {
  return entry.text ? entry.text->c_str() : "";
}

// The items, one by one.

inline ServiceItem entryItem(const Service &service) {
  const Branch &entry = service.entry;
  return ServiceItem(entry, CovFunctions, ItemEntry, "", entry.firstLine, entry.firstLine);
}

/// An exit of kind 1 to 3 (isListedExit).
inline ServiceItem exitItem(const ExitEntry &exit) {
  const Branch &branch = exit.branch;
  const auto kind = static_cast<ItemKind>(ItemRegularExit + (exit.kind - ExitRegular));
  return ServiceItem(branch, CovFunctionsExits, kind, "", branch.firstLine, branch.firstLine);
}

inline ServiceItem callItem(const CallEntry &call) {
  const Branch &branch = call.branch;
  return ServiceItem(branch, CovCalls, ItemCall, call.calledName ? call.calledName->text : "",
                     branch.firstLine, branch.firstLine);
}

/// A block of one of the four kinds.
inline ServiceItem blockItem(const BlockEntry &block) {
  const Branch &branch = block.branch;
  // An implicit block (an else that is not written) is named where it ends.
  const uint32_t line = block.kind == BlockImplicit ? branch.lastLine : branch.firstLine;
  return ServiceItem(branch, blockTypeBit(block.kind),
                     static_cast<ItemKind>(ItemSimpleBlock + block.kind), block.label.c_str(), line,
                     line);
}

/// An outcome of a basic condition: the condition entry at `index`.
inline ServiceItem outcomeItem(const Service &service, std::size_t index) {
  const std::vector<ConditionEntry> &conditions = service.conditions;
  const ConditionEntry &entry = conditions[index];
  const Branch &branch = entry.branch;
  const bool single = entry.kind == CondSingle;
  // A condition of one outcome is placed where it ends.
  ServiceItem item(branch, CovBasicConditions, ItemBasicCondition, conditionText(entry),
                   branch.firstLine, single ? branch.lastLine : branch.firstLine);
  if (!single) {
    // The True outcome is followed by the False outcome sharing its text.
    const bool isTrue = index + 1 < conditions.size() && conditions[index + 1].text == entry.text;
    item.detail = isTrue ? "True" : "False";
  }
  return item;
}

inline ServiceItem modifiedConditionItem(const Service &service, const ModifiedCondition &item) {
  ServiceItem modified;
  modified.type = CovModifiedConditions;
  modified.kind = ItemModifiedCondition;
  modified.state = &item;
  if (item.condition < service.conditions.size()) {
    const ConditionEntry &condition = service.conditions[item.condition];
    modified.text = conditionText(condition);
    modified.line = condition.branch.firstLine;
    if (modified.line != 0) modified.placedLine = modified.line;
  }
  modified.noPair = item.label.empty();
  if (!modified.noPair) modified.detail = item.label.c_str();
  return modified;
}

/// A vector of a compound condition, placed on the last line of its decision.
inline ServiceItem vectorItem(const ConditionEntry &vector) {
  const Branch &branch = vector.branch;
  return ServiceItem(branch, CovCompoundConditions, ItemCompoundVector, conditionText(vector),
                     branch.firstLine, branch.lastLine);
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
