// Finding the branch that a trace hit names by kind and instrumentation ID: in one
// service, by the walk over a file's services, and through the per-kind index.
#include "model/branch_lookup.h"

#include "model/service_cursor.h"

namespace {

/// Calls `visit(lookup)` for every branch of a kind in a service, in the order in
/// which findBranchInService tries them (entry, then exits; calls; blocks;
/// conditions), until a call returns true; whether one did.
template <typename Visit> bool forEachBranch(Service &service, int kind, Visit &&visit) {
  switch (kind) {
  case KindProcPoint:
    if (service.hasEntry && visit(BranchLookup{&service, &service.entry, CovFunctions, 0}))
      return true;
    for (uint32_t i = 0; i < service.exits.size(); ++i)
      if (visit(BranchLookup{&service, &service.exits[i].branch, CovFunctionsExits, i}))
        return true;
    return false;
  case KindCall:
    for (uint32_t i = 0; i < service.calls.size(); ++i)
      if (visit(BranchLookup{&service, &service.calls[i].branch, CovCalls, i})) return true;
    return false;
  case KindBlock:
    for (uint32_t i = 0; i < service.blocks.size(); ++i) {
      BlockEntry &block = service.blocks[i];
      if (visit(BranchLookup{&service, &block.branch, blockTypeBit(block.kind), i})) return true;
    }
    return false;
  case KindCondition:
    for (uint32_t i = 0; i < service.conditions.size(); ++i) {
      ConditionEntry &entry = service.conditions[i];
      if (visit(BranchLookup{&service, &entry.branch, conditionTypeBit(entry.kind), i}))
        return true;
    }
    return false;
  default:
    return false;
  }
}

/// Position of a service in its file, or the size when it is not one of them.
std::size_t positionOf(const SourceFile &file, const Service *service) {
  if (!service) return file.services.size();
  if (service->ordinal < file.services.size() && file.services[service->ordinal].get() == service)
    return service->ordinal;
  for (std::size_t i = 0; i < file.services.size(); ++i)
    if (file.services[i].get() == service) return i;
  return file.services.size();
}

/// Position of a branch in a list of entries that hold their branch first.
template <typename Entry>
uint32_t positionIn(const std::vector<Entry> &list, const Branch *branch) {
  const auto offset =
      reinterpret_cast<const char *>(branch) - reinterpret_cast<const char *>(&list.front().branch);
  return static_cast<uint32_t>(offset / static_cast<std::ptrdiff_t>(sizeof(Entry)));
}

/// The holder of an ID held by several services (or beyond the dense slots) met
/// first from the service `start` onwards, wrapping round; none when no service
/// holds it.
BranchLookup firstHolderFrom(const KindIndex &index, uint32_t id, const Service *start) {
  auto holders = index.other.find(id);
  if (holders == index.other.end()) return {};
  const std::vector<BranchLookup> &list = holders->second;
  const uint32_t from = start ? start->ordinal : 0;
  for (const BranchLookup &holder : list)
    if (holder.service->ordinal >= from) return holder;
  return list.front();
}

/// The full answer for the branch of a dense slot.
BranchLookup lookupOf(int kind, const KindIndex &index, uint32_t id) {
  Branch *branch = index.dense[id];
  const BranchSlotDetail &detail = index.details[id];
  Service &service = *detail.service;
  uint32_t entryIndex = 0;
  switch (kind) {
  case KindProcPoint:
    if (branch != &service.entry) entryIndex = positionIn(service.exits, branch);
    break;
  case KindCall:
    entryIndex = positionIn(service.calls, branch);
    break;
  case KindBlock:
    entryIndex = positionIn(service.blocks, branch);
    break;
  default:
    entryIndex = positionIn(service.conditions, branch);
    break;
  }
  return BranchLookup{&service, branch, detail.type, entryIndex};
}

} // namespace

BranchLookup findBranchInService(Service &service, int kind, uint32_t id) {
  // Each list is tried in order and the first branch with the ID wins.
  BranchLookup found;
  forEachBranch(service, kind, [&](const BranchLookup &lookup) {
    if (lookup.branch->id != id) return false;
    found = lookup;
    return true;
  });
  return found;
}

BranchLookup findBranchByWalk(SourceFile &file, const Service *start, int kind, uint32_t id) {
  const std::size_t count = file.services.size();
  std::size_t begin = positionOf(file, start);
  if (begin == count) begin = 0;
  for (std::size_t step = 0; step < count; ++step) {
    Service &service = *file.services[(begin + step) % count];
    BranchLookup found = findBranchInService(service, kind, id);
    if (found) return found;
  }
  return {};
}

void buildBranchIndex(SourceFile &file) {
  for (std::size_t i = 0; i < file.services.size(); ++i)
    file.services[i]->ordinal = static_cast<uint32_t>(i);

  for (int kind = KindProcPoint; kind <= KindCondition; ++kind) {
    KindIndex &index = file.branchIndex[kind - 1];
    index = KindIndex{};
    // IDs run from 0 to the branch count - 1 in a sound file; anything far beyond
    // goes to the hash part so that a stray huge ID costs one slot, not millions.
    const uint64_t denseLimit = static_cast<uint64_t>(file.branchCount(kind)) * 2 + 64;
    uint64_t denseSize = 0;
    for (auto &service : file.services)
      forEachBranch(*service, kind, [&](const BranchLookup &lookup) {
        if (lookup.branch->id < denseLimit && lookup.branch->id >= denseSize)
          denseSize = static_cast<uint64_t>(lookup.branch->id) + 1;
        return false;
      });
    index.dense.assign(denseSize, nullptr);
    index.details.assign(denseSize, BranchSlotDetail{});
    index.settled.assign((denseSize + 63) / 64, 0);
    index.pending.assign((denseSize + 63) / 64, 0);
    // IDs of the dense part that several services hold.
    std::vector<bool> shared(denseSize, false);

    for (auto &service : file.services)
      forEachBranch(*service, kind, [&](const BranchLookup &lookup) {
        const uint32_t id = lookup.branch->id;
        if (id < denseSize) {
          if (!index.dense[id] && !shared[id]) {
            index.dense[id] = lookup.branch;
            index.details[id] = BranchSlotDetail{lookup.service, lookup.type};
            return false;
          }
          if (!shared[id]) {
            // the service's first one stands
            if (index.details[id].service == lookup.service) return false;
            index.other[id].push_back(lookupOf(kind, index, id));
            index.dense[id] = nullptr;
            shared[id] = true;
          }
        }
        std::vector<BranchLookup> &holders = index.other[id];
        if (holders.empty() || holders.back().service != lookup.service) holders.push_back(lookup);
        return false;
      });
  }
  file.branchIndexBuilt = true;
}

BranchLookup findBranch(ServiceCursor &cursor, SourceFile &file, int kind, uint32_t id) {
  if (kind < KindProcPoint || kind > KindCondition) return {};
  const Service *start = cursor.isIn(file) ? cursor.current() : nullptr;
  BranchLookup found;
  if (!file.branchIndexBuilt) {
    found = findBranchByWalk(file, start, kind, id);
  } else {
    const KindIndex &index = file.branchIndex[kind - 1];
    if (id < index.dense.size() && index.dense[id])
      found = lookupOf(kind, index, id);
    else
      found = firstHolderFrom(index, id, start);
  }
  if (found) cursor.set(file, *found.service);
  return found;
}

bool hasSharedIds(const SourceFile &file) {
  for (const KindIndex &index : file.branchIndex)
    for (const auto &[id, holders] : index.other)
      if (holders.size() > 1) return true;
  return false;
}
