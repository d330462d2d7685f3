// Counting trace hits: the first-hit rules of the per-test and run-wide counts,
// the saturating counters, the modified conditions and the per-test reset.
#include "fdc/coverage_model.h"

#include "support/messages.h"

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
