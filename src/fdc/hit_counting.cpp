// Counting trace hits: the first-hit rules of the per-test and run-wide counts,
// the saturating counters, the modified conditions and the per-test reset.
#include "fdc/coverage_model.h"

#include "support/messages.h"

#include <algorithm>

namespace {

constexpr uint32_t kCounterCeiling = 0x7FFFFFFF;

/// The counter of a coverage type in a CoverageCounts row; an entry also sets the
/// functions mark.
void countType(CoverageCounts &counts, uint16_t type) {
  switch (type) {
  case CovFunctions:
    counts[CntFunctions] = 1;
    ++counts[CntFunctionsExits];
    break;
  case CovFunctionsExits:
    ++counts[CntFunctionsExits];
    break;
  case CovCalls:
    ++counts[CntCalls];
    break;
  case CovStatementBlocks:
    ++counts[CntStatementBlocks];
    break;
  case CovImplicitBlocks:
    ++counts[CntImplicitBlocks];
    break;
  case CovLoops:
    ++counts[CntLoops];
    break;
  case CovAsyncBlocks:
    ++counts[CntAsyncBlocks];
    break;
  case CovBasicConditions:
    ++counts[CntBasicConditions];
    break;
  case CovModifiedConditions:
    ++counts[CntModifiedConditions];
    break;
  case CovCompoundConditions:
    ++counts[CntCompoundConditions];
    break;
  default:
    break;
  }
}

/// value + count, held at 2147483647.
uint32_t saturatingAdd(uint32_t value, uint32_t count) {
  const uint64_t sum = static_cast<uint64_t>(value) + count;
  return sum > kCounterCeiling ? kCounterCeiling : static_cast<uint32_t>(sum);
}

/// Whether a hit is looked up: it counts something and its kind is asked for.
bool isCounted(const TraceHit &hit, unsigned kinds) {
  return hit.count != 0 && hit.kind >= KindProcPoint && hit.kind <= KindCondition &&
         (kinds >> (hit.kind - 1) & 1u) != 0;
}

bool everHit(const HitState &item) {
  return (item.flags & (FlagHitSinceLook | FlagEverHit)) != 0;
}

} // namespace

void MarkBranchHit(Service &service, HitState &item, uint16_t type, uint32_t count, bool add) {
  if (item.hits == 0) countType(service.testCovered, type);
  if (!(item.flags & FlagEverHit)) {
    countType(service.totalCovered, type);
    item.flags |= FlagEverHit;
  }
  item.flags |= FlagHitSinceLook;
  if (add) {
    item.hits = saturatingAdd(item.hits, count);
    item.totalHits = saturatingAdd(item.totalHits, count);
  } else {
    item.hits = count;
    item.totalHits = count;
  }
}

void CoverageModel::MarkTraceBranch(SourceFile &file, int kind, uint32_t id, uint32_t count,
                                    bool add) {
  BranchLookup found = FindBranch(file, kind, id);
  if (!found)
    reportFatal(
        tr("fdcL-Error",
           "Cannot find instrumentation ID for specified trace in FDC file %1\nDescription:\n The "
           "instrumentation id %2 for a coverage branch cannot be found in any of the "
           "function/procedures/methods of this FDC file\n It indicates that the trace file is "
           "corrupted, for example because the runtime coverage information has been modified by "
           "the mean of a write access to an array using an out of bound index.\n Such "
           "information is stored in file-scope (static) struct variables.\n You may consider to "
           "first check your own static arrays write accesses.",
           "%1 is a file name and %2 is a number identifying the unknown branch")
            .arg(QString::fromLocal8Bit(file.fdcName.c_str()), QString::number(id)));
  MarkBranchHit(*found.service, *found.branch, found.type, count, add);
}

void CoverageModel::MarkTraceHits(SourceFile &file, const TraceHit *hits, std::size_t count,
                                  unsigned kinds, bool add) {
  if (count == 0) return;
  if (!file.branchIndexBuilt) {
    for (const TraceHit *hit = hits; hit != hits + count; ++hit)
      if (isCounted(*hit, kinds)) MarkTraceBranch(file, hit->kind, hit->id, hit->count, add);
    return;
  }
  Branch *const *dense[4];
  std::size_t denseSize[4];
  for (int k = 0; k < 4; ++k) {
    dense[k] = file.branchIndex[k].dense.data();
    denseSize[k] = file.branchIndex[k].dense.size();
  }
  // The dense slot of a hit; null when the ID is beyond the dense slots.
  auto slotOf = [&](const TraceHit &hit) -> Branch *const * {
    const unsigned k = hit.kind - 1u;
    return k < 4 && hit.id < denseSize[k] ? dense[k] + hit.id : nullptr;
  };
  // Slots are fetched kSlotsAhead hits ahead, the branches they name kBranchesAhead
  // hits ahead, so that both are there when the hit is counted. (The prefetches
  // stay in the loop bodies: a helper doing only a prefetch is dropped as pure.)
  constexpr std::size_t kSlotsAhead = 16;
  constexpr std::size_t kBranchesAhead = 8;
  for (std::size_t i = 0; i < std::min(count, kSlotsAhead); ++i)
    if (Branch *const *slot = slotOf(hits[i])) __builtin_prefetch(slot);
  for (std::size_t i = 0; i < std::min(count, kBranchesAhead); ++i) {
    Branch *const *slot = slotOf(hits[i]);
    if (slot && *slot) __builtin_prefetch(*slot, 1);
  }
  // The service of the last hit becomes the current one.
  if (slotOf(hits[count - 1]))
    __builtin_prefetch(&file.branchIndex[hits[count - 1].kind - 1].details[hits[count - 1].id]);

  // The last hit found through the dense slots: its service becomes the current
  // one before any other lookup, and at the end.
  const TraceHit *last = nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kSlotsAhead < count)
      if (Branch *const *slot = slotOf(hits[i + kSlotsAhead])) __builtin_prefetch(slot);
    if (i + kBranchesAhead < count) {
      Branch *const *slot = slotOf(hits[i + kBranchesAhead]);
      if (slot && *slot) __builtin_prefetch(*slot, 1);
    }
    const TraceHit &hit = hits[i];
    if (!isCounted(hit, kinds)) continue;
    Branch *const *slot = slotOf(hit);
    Branch *branch = slot ? *slot : nullptr;
    if (!branch) {
      // Several services hold the ID, or none: the lookup from the current service.
      if (last) makeCurrent(file, *last);
      last = nullptr;
      MarkTraceBranch(file, hit.kind, hit.id, hit.count, add);
      continue;
    }
    last = &hit;
    if (branch->hits != 0 && (branch->flags & FlagEverHit)) {
      // Already counted in the test and in the run: only the counters change.
      branch->flags |= FlagHitSinceLook;
      if (add) {
        branch->hits = saturatingAdd(branch->hits, hit.count);
        branch->totalHits = saturatingAdd(branch->totalHits, hit.count);
      } else {
        branch->hits = hit.count;
        branch->totalHits = hit.count;
      }
      continue;
    }
    const BranchSlotDetail &detail = file.branchIndex[hit.kind - 1].details[hit.id];
    MarkBranchHit(*detail.service, *branch, detail.type, hit.count, add);
  }
  if (last) makeCurrent(file, *last);
}

void CoverageModel::makeCurrent(SourceFile &file, const TraceHit &hit) {
  const BranchSlotDetail &detail = file.branchIndex[hit.kind - 1].details[hit.id];
  currentService_ = detail.service;
  currentFile_ = &file;
}

void CoverageModel::UpdateModifiedConditions() {
  for (auto &file : files_)
    for (auto &service : file->services)
      for (Composition &composition : service->compositions)
        for (ModifiedCondition &item : composition.items)
          for (const VectorPair &pair : item.pairs)
            if (everHit(service->conditions[pair.first].branch) &&
                everHit(service->conditions[pair.second].branch)) {
              MarkBranchHit(*service, item, CovModifiedConditions, 1, false);
              break;
            }
}

void CoverageModel::resetTestHits() {
  for (auto &file : files_)
    for (auto &service : file->services) {
      service->testCovered.clear();
      service->entry.hits = 0;
      for (ExitEntry &entry : service->exits)
        entry.branch.hits = 0;
      for (CallEntry &entry : service->calls)
        entry.branch.hits = 0;
      for (BlockEntry &entry : service->blocks)
        entry.branch.hits = 0;
      for (ConditionEntry &entry : service->conditions)
        entry.branch.hits = 0;
      for (Composition &composition : service->compositions)
        for (ModifiedCondition &item : composition.items)
          item.hits = 0;
    }
}
