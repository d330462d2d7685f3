#include "model/service_items.h"

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
