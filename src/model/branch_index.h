// The O(1) lookup of branches by kind and instrumentation ID, and the hits handed
// to it by the trace reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

struct Branch;
struct Service;

/// Trace kinds of hits.
enum TraceKind : int { KindProcPoint = 1, KindCall = 2, KindBlock = 3, KindCondition = 4 };

/// Result of a branch lookup.
struct BranchLookup {
  Service *service = nullptr;
  /// The branch found, or null.
  Branch *branch = nullptr;
  /// Its coverage-type bit (CovFunctions for the entry, CovFunctionsExits for an
  /// exit, CovCalls, the bit of a block's kind, CovBasicConditions for an outcome,
  /// CovCompoundConditions for a vector).
  uint16_t type = 0;
  /// Index of the holding entry in its service list (exits, calls, blocks or
  /// conditions, by type); unused for the entry.
  uint32_t entryIndex = 0;
  explicit operator bool() const { return branch != nullptr; }
};

/// Where the branch of a dense index slot lives, read only when a hit is the
/// branch's first (in the test or in the run) or its service is asked for.
struct BranchSlotDetail {
  /// The branch's service.
  Service *service = nullptr;
  /// Its coverage-type bit.
  uint16_t type = 0;
};

/// O(1) lookup of branches by ID for one kind of one source file.
struct KindIndex {
  /// The branch of each ID, when the IDs are dense enough; null when no service
  /// holds the ID, or when several do (they are then in `other`). Every hit reads
  /// one, so the slots are kept to a pointer.
  std::vector<Branch *> dense;
  /// Service and type of each branch of `dense`, at the same positions.
  std::vector<BranchSlotDetail> details;
  /// One bit per slot of `dense`: its branch is settled, that is a hit of count
  /// 1 that does not add would change nothing in it (hits and totalHits 1,
  /// FlagHitSinceLook and FlagEverHit set), so such a hit need not touch it.
  /// Kept by the hit marking and forgotten by forgetSettledHits.
  std::vector<uint64_t> settled;
  /// One bit per slot of `dense`: a hit of count 1 that does not add, not yet
  /// applied to the branch (its settled bit is set with it). Set by the trace
  /// scan, applied and cleared by HitRecorder::applyPendingHits.
  std::vector<uint64_t> pending;
  /// Lookups of IDs outside `dense` (and of IDs held by several services: all of
  /// their holders, in service order).
  std::unordered_map<uint32_t, std::vector<BranchLookup>> other;
};

/// Most hits that a reader hands to markTraceHits at a time.
constexpr std::size_t kMaxTraceHitRun = 256;

/// One hit as a trace line gives it.
struct TraceHit {
  /// Instrumentation ID.
  uint32_t id = 0;
  /// Count of the line (1 when it has none).
  uint32_t count = 0;
  /// Trace kind (TraceKind).
  uint8_t kind = 0;
};
