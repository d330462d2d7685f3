// Counting a hit: the first-hit rules of the per-test and run-wide counts and
// the saturating counters.
#include "model/hit_counting.h"

#include "support/messages.h"
#include "support/rated_types.h"

void countType(CoverageCounts &counts, CoverageTypes type) {
  const int counter = counterOfType(type);
  if (counter < 0) return;
  if (counter == CntFunctions) {
    // An entry: its mark, and one of the functions and exits.
    counts[CntFunctions] = 1;
    ++counts[CntFunctionsExits];
    return;
  }
  ++counts[counter];
}

void markBranchHit(Service &service, HitState &item, uint16_t type, uint32_t count, bool add) {
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

void reportUnknownBranch(const SourceFile &file, uint32_t id) {
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
}
