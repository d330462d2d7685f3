#include "model/service_items.h"

namespace {

const char *textOf(const ConditionEntry &entry) {
  return entry.text ? entry.text->c_str() : "";
}

/// An item of `type` and `kind` on a branch, named on `line` and placed on
/// `placedLine`.
ServiceItem itemOn(const Branch &branch, CoverageTypes type, ItemKind kind, const char *text,
                   uint32_t line, uint32_t placedLine) {
  ServiceItem item;
  item.type = type;
  item.kind = kind;
  item.text = text;
  item.state = &branch;
  item.line = line;
  item.placedLine = placedLine == 0 ? 1 : placedLine;
  return item;
}

} // namespace

ServiceItem entryItem(const Service &service) {
  const Branch &entry = service.entry;
  return itemOn(entry, CovFunctions, ItemEntry, "", entry.firstLine, entry.firstLine);
}

ServiceItem exitItem(const ExitEntry &exit) {
  const Branch &branch = exit.branch;
  const auto kind = static_cast<ItemKind>(ItemRegularExit + (exit.kind - ExitRegular));
  return itemOn(branch, CovFunctionsExits, kind, "", branch.firstLine, branch.firstLine);
}

ServiceItem callItem(const CallEntry &call) {
  const Branch &branch = call.branch;
  return itemOn(branch, CovCalls, ItemCall, call.calledName ? call.calledName->text : "",
                branch.firstLine, branch.firstLine);
}

ServiceItem blockItem(const BlockEntry &block) {
  const Branch &branch = block.branch;
  // An implicit block (an else that is not written) is named where it ends.
  const uint32_t line = block.kind == BlockImplicit ? branch.lastLine : branch.firstLine;
  return itemOn(branch, blockTypeBit(block.kind),
                static_cast<ItemKind>(ItemSimpleBlock + block.kind), block.label.c_str(), line,
                line);
}

ServiceItem outcomeItem(const Service &service, std::size_t index) {
  const std::vector<ConditionEntry> &conditions = service.conditions;
  const ConditionEntry &entry = conditions[index];
  const Branch &branch = entry.branch;
  const bool single = entry.kind == CondSingle;
  // A condition of one outcome is placed where it ends.
  ServiceItem item = itemOn(branch, CovBasicConditions, ItemBasicCondition, textOf(entry),
                            branch.firstLine, single ? branch.lastLine : branch.firstLine);
  if (!single) {
    // The True outcome is followed by the False outcome sharing its text.
    const bool isTrue = index + 1 < conditions.size() && conditions[index + 1].text == entry.text;
    item.detail = isTrue ? "True" : "False";
  }
  return item;
}

ServiceItem modifiedConditionItem(const Service &service, const ModifiedCondition &item) {
  ServiceItem modified;
  modified.type = CovModifiedConditions;
  modified.kind = ItemModifiedCondition;
  modified.state = &item;
  if (item.condition < service.conditions.size()) {
    const ConditionEntry &condition = service.conditions[item.condition];
    modified.text = textOf(condition);
    modified.line = condition.branch.firstLine;
    if (modified.line != 0) modified.placedLine = modified.line;
  }
  modified.noPair = item.label.empty();
  if (!modified.noPair) modified.detail = item.label.c_str();
  return modified;
}

ServiceItem vectorItem(const ConditionEntry &vector) {
  const Branch &branch = vector.branch;
  // A vector is placed on the last line of its decision.
  return itemOn(branch, CovCompoundConditions, ItemCompoundVector, textOf(vector), branch.firstLine,
                branch.lastLine);
}

bool itemOfLookup(const BranchLookup &found, ServiceItem &item) {
  const Service &service = *found.service;
  switch (found.type) {
  case CovFunctions:
    item = entryItem(service);
    return true;
  case CovFunctionsExits:
    if (!isListedExit(service.exits[found.entryIndex])) return false;
    item = exitItem(service.exits[found.entryIndex]);
    return true;
  case CovCalls:
    item = callItem(service.calls[found.entryIndex]);
    return true;
  case CovStatementBlocks:
  case CovImplicitBlocks:
  case CovLoops:
  case CovAsyncBlocks:
    item = blockItem(service.blocks[found.entryIndex]);
    return true;
  case CovBasicConditions:
    item = outcomeItem(service, found.entryIndex);
    return true;
  case CovCompoundConditions:
    item = vectorItem(service.conditions[found.entryIndex]);
    return true;
  default:
    return false;
  }
}
