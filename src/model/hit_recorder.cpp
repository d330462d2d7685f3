// The hit marking of the reading pass: the lists of what a test hit, the settled
// and pending bits of the branch index, and the modified conditions found hit.
#include "model/hit_recorder.h"

#include "model/branch_lookup.h"
#include "model/hit_counting.h"
#include "model/service_items.h"

#include <algorithm>

namespace {

/// Whether a hit is looked up: it counts something and its kind is asked for.
bool isCounted(const TraceHit &hit, unsigned kinds) {
  return hit.count != 0 && hit.kind >= KindProcPoint && hit.kind <= KindCondition &&
         (kinds >> (hit.kind - 1) & 1u) != 0;
}

bool everHit(const HitState &item) {
  return (item.flags & (FlagHitSinceLook | FlagEverHit)) != 0;
}

} // namespace

BranchLookup HitRecorder::findBranch(SourceFile &file, int kind, uint32_t id) {
  return ::findBranch(cursor_, file, kind, id);
}

void HitRecorder::markTraceBranch(SourceFile &file, int kind, uint32_t id, uint32_t count,
                                  bool add) {
  // A hit that adds does not commute with the pending ones.
  if (add && !pendingFiles_.empty()) applyPendingHits();
  BranchLookup found = findBranch(file, kind, id);
  if (!found) reportUnknownBranch(file, id);
  markHit(*found.service, *found.branch, found.type, count, add);
  if (file.branchIndexBuilt && kind >= KindProcPoint && kind <= KindCondition) {
    KindIndex &index = file.branchIndex[kind - 1];
    if (id < index.dense.size() && index.dense[id] == found.branch) {
      listSettled(file);
      noteSettled(index, id, *found.branch);
    }
  }
}

void HitRecorder::markHit(Service &service, HitState &item, uint16_t type, uint32_t count,
                          bool add) {
  if (item.hits == 0 && !service.listedAsHit) {
    service.listedAsHit = true;
    servicesHit_.push_back(&service);
  }
  if (type == CovModifiedConditions) {
    markBranchHit(service, item, type, count, add);
    return;
  }
  service.branchesHit = true;
  // A condition branch hit for the first time may complete a pair.
  if ((type == CovBasicConditions || type == CovCompoundConditions) &&
      !(item.flags & FlagEverHit) && !service.conditionsChanged && !service.compositions.empty()) {
    service.conditionsChanged = true;
    conditionsChanged_.push_back(&service);
  }
  markBranchHit(service, item, type, count, add);
}

void HitRecorder::noteSettled(KindIndex &index, uint32_t id, const Branch &branch) {
  const uint64_t bit = uint64_t{1} << (id % 64);
  if (branch.hits == 1 && branch.totalHits == 1 &&
      (branch.flags & (FlagHitSinceLook | FlagEverHit)) == (FlagHitSinceLook | FlagEverHit))
    index.settled[id / 64] |= bit;
  else
    index.settled[id / 64] &= ~bit;
}

void HitRecorder::applyPendingHits() {
  ++pendingRound_;
  // The branches of a stretch of pending bits are fetched ahead, with where
  // they live, then counted.
  constexpr std::size_t kStretch = 64;
  uint32_t ids[kStretch];
  for (SourceFile *file : pendingFiles_) {
    file->pendingListed = false;
    for (KindIndex &index : file->branchIndex) {
      std::size_t word = 0;
      while (word < index.pending.size()) {
        std::size_t count = 0;
        for (; word < index.pending.size() && count + 64 <= kStretch; ++word) {
          for (uint64_t bits = index.pending[word]; bits; bits &= bits - 1) {
            const auto id = static_cast<uint32_t>(word * 64 + __builtin_ctzll(bits));
            __builtin_prefetch(index.dense[id], 1);
            __builtin_prefetch(&index.details[id]);
            ids[count++] = id;
          }
          index.pending[word] = 0;
        }
        for (std::size_t i = 0; i < count; ++i) {
          Branch &branch = *index.dense[ids[i]];
          if (branch.hits != 0 && (branch.flags & FlagEverHit)) {
            branch.flags |= FlagHitSinceLook;
            branch.hits = 1;
            branch.totalHits = 1;
          } else {
            const BranchSlotDetail &detail = index.details[ids[i]];
            markHit(*detail.service, branch, detail.type, 1, false);
          }
        }
      }
    }
  }
  pendingFiles_.clear();
}

void HitRecorder::forgetSettledHits() {
  applyPendingHits();
  for (SourceFile *file : settledFiles_) {
    for (KindIndex &index : file->branchIndex)
      std::fill(index.settled.begin(), index.settled.end(), 0);
    file->settledListed = false;
  }
  settledFiles_.clear();
}

void HitRecorder::markTraceHits(SourceFile &file, const TraceHit *hits, std::size_t count,
                                unsigned kinds, bool add) {
  if (!file.branchIndexBuilt) {
    for (const TraceHit *hit = hits; hit != hits + count; ++hit)
      if (isCounted(*hit, kinds)) markTraceBranch(file, hit->kind, hit->id, hit->count, add);
    return;
  }
  if (add && !pendingFiles_.empty()) applyPendingHits();
  listSettled(file);
  Branch *const *dense[4];
  const BranchSlotDetail *details[4];
  const uint64_t *settled[4];
  std::size_t denseSize[4];
  for (int k = 0; k < 4; ++k) {
    dense[k] = file.branchIndex[k].dense.data();
    details[k] = file.branchIndex[k].details.data();
    settled[k] = file.branchIndex[k].settled.data();
    denseSize[k] = file.branchIndex[k].dense.size();
  }
  // A hit that may change something: its position in the stretch, the last
  // hit on a settled branch before it (-1: none) and its dense slot (null
  // beyond the dense slots).
  struct Work {
    /// Position of the hit.
    int32_t at;
    /// Position of the last skipped hit on a settled branch before it, or -1.
    int32_t lastSettled;
    /// The dense slot, or null.
    Branch *const *slot;
  };
  Work work[kMaxTraceHitRun];
  for (std::size_t first = 0; first < count; first += kMaxTraceHitRun) {
    const std::size_t stretch = std::min(count - first, kMaxTraceHitRun);
    const TraceHit *run = hits + first;
    // A hit of count 1 that does not add changes nothing in a settled branch and
    // leaves any branch it marks settled; so until a hit of the stretch that adds
    // or counts more, what is settled now stays so, and such hits are skipped
    // here. The slots of the others are fetched, then the branches they name,
    // so that both are there when the hits are counted.
    bool settledHold = !add;
    int32_t lastSettled = -1;
    std::size_t works = 0;
    for (std::size_t i = 0; i < stretch; ++i) {
      const TraceHit &hit = run[i];
      const unsigned k = hit.kind - 1u;
      if (k >= 4 || !(kinds >> k & 1u) || hit.count == 0) continue;
      Branch *const *slot = nullptr;
      if (hit.id < denseSize[k]) {
        settledHold = settledHold && hit.count == 1;
        if (settledHold && (settled[k][hit.id / 64] >> (hit.id % 64) & 1u)) {
          lastSettled = static_cast<int32_t>(i);
          continue;
        }
        slot = dense[k] + hit.id;
        __builtin_prefetch(slot);
        // A first hit in the test reads where the branch lives, and its service.
        __builtin_prefetch(details[k] + hit.id);
      }
      work[works++] = Work{static_cast<int32_t>(i), lastSettled, slot};
    }
    for (std::size_t w = 0; w < works; ++w) {
      if (!work[w].slot || !*work[w].slot) continue;
      __builtin_prefetch(*work[w].slot, 1);
      const TraceHit &hit = run[work[w].at];
      __builtin_prefetch(details[hit.kind - 1][hit.id].service, 1);
    }

    // The current service is the one of the last hit counted: a general lookup
    // sets it itself, a hit found through the dense slots leaves it to be set
    // before the next general lookup and at the end.
    int32_t lastDense = -1, lastGeneral = -1;
    for (std::size_t w = 0; w < works; ++w) {
      const TraceHit &hit = run[work[w].at];
      Branch *branch = work[w].slot ? *work[w].slot : nullptr;
      if (!branch) {
        // Several services hold the ID, or none: the lookup from the current service.
        const int32_t latest = std::max(work[w].lastSettled, lastDense);
        if (latest > lastGeneral) cursor_.setToSlot(file, run[latest]);
        markTraceBranch(file, hit.kind, hit.id, hit.count, add);
        lastGeneral = work[w].at;
        continue;
      }
      lastDense = work[w].at;
      KindIndex &index = file.branchIndex[hit.kind - 1];
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
      } else {
        const BranchSlotDetail &detail = index.details[hit.id];
        markHit(*detail.service, *branch, detail.type, hit.count, add);
      }
      noteSettled(index, hit.id, *branch);
    }
    const int32_t latest = std::max(lastSettled, lastDense);
    if (latest > lastGeneral) cursor_.setToSlot(file, run[latest]);
  }
}

void HitRecorder::updateModifiedConditions(bool markAgain) {
  applyPendingHits();
  const std::size_t known = satisfied_.size();
  // An item found hit has FlagEverHit from then on; the others are looked at again
  // only when a condition branch of their service was first hit.
  for (Service *service : conditionsChanged_) {
    service->conditionsChanged = false;
    for (Composition &composition : service->compositions)
      for (ModifiedCondition &item : composition.items) {
        if (item.flags & FlagEverHit) continue;
        for (const VectorPair &pair : item.pairs)
          if (everHit(service->conditions[pair.first].branch) &&
              everHit(service->conditions[pair.second].branch)) {
            satisfied_.push_back(HitModifiedCondition{service, &item});
            break;
          }
      }
  }
  conditionsChanged_.clear();
  for (std::size_t i = markAgain ? 0 : known; i < satisfied_.size(); ++i) {
    const HitModifiedCondition &satisfied = satisfied_[i];
    if (i >= known) ++satisfied.service->modifiedConditionsHit;
    markHit(*satisfied.service, *satisfied.item, CovModifiedConditions, 1, false);
  }
}

void HitRecorder::resetTestHits() {
  forgetSettledHits();
  for (Service *service : servicesHit_) {
    service->testCovered.clear();
    // Its modified conditions found hit keep their hits (1) and count.
    service->testCovered[CntModifiedConditions] = service->modifiedConditionsHit;
    if (service->branchesHit) {
      forEachCountedItem(*service, [](HitState &item, CoverageTypes type) {
        if (type != CovModifiedConditions) item.hits = 0;
      });
      service->branchesHit = false;
    }
    service->listedAsHit = false;
  }
  servicesHit_.clear();
}
