// Where the hits of a scan go: the store, through the filter when there is one.
// Every path of the scan stores its hits through it (the common case of the
// filtered scan has a leaner store of its own, SettledSink), so that all of them
// leave out the same hits and set the same bits.
#pragma once

#include <cstddef>
#include <cstdint>

#include "trace/hit_line_scanner.h"

namespace hit_scan {

/// Whether a hit of count 1 that does not add, on the branch of dense slot `id`,
/// changes nothing in the model: the branch is settled, or this is its first hit
/// in a while, which is noted in the pending bits (when there are) and settles it.
[[gnu::always_inline]] inline bool settlesHit(uint64_t *settled, uint64_t *pending,
                                              Branch *const *dense, uint32_t id) {
  uint64_t &word = settled[id / 64];
  const uint64_t bit = uint64_t{1} << (id % 64);
  if (!(word & bit) && pending && dense[id]) {
    // The first hit in a while: noted, applied later with the others.
    word |= bit;
    pending[id / 64] |= bit;
  }
  return word & bit;
}

/// The store of a scan, through the filter when there is one (`kFiltered`).
/// Made on the stack of each scan, so that its fields stay in registers.
template <bool kFiltered> class HitSink {
public:
  HitSink(TraceHit *out, std::size_t capacity, const HitScanFilter *filter, bool countOriented)
      : out_(out), next_(out), last_(out + capacity - 1) {
    if (!kFiltered) return;
    kinds_ = filter->kinds;
    cleaning_ = filter->cleaning;
    // Without settled branches to drop, no hit is dropped as settled.
    for (int k = 0; k < 4; ++k) {
      denseSize_[k] = countOriented ? 0 : filter->denseSize[k];
      settled_[k] = filter->settled[k];
      pending_[k] = filter->pending[k];
      dense_[k] = filter->dense[k];
      kept_[k] = filter->kept[k];
      keptSize_[k] = filter->kept[k] ? filter->keptSize[k] : 0;
    }
  }

  /// Room for the hits of one more line: its own, and with the filter a dropped
  /// one kept before it.
  bool hasRoom() const { return kFiltered ? next_ < last_ : next_ <= last_; }

  [[gnu::always_inline]] void take(uint8_t kind, uint32_t id, uint32_t count) {
    if (kFiltered) {
      if (count == 0) return;
      const unsigned k = kind - 1u;
      const bool counted = kinds_ >> k & 1u;
      const bool dense = id < denseSize_[k];
      // With the cleaned trace, first hits are not left pending.
      const bool settled =
          dense && (cleaning_ ? (settled_[k][id / 64] >> (id % 64) & 1u) != 0
                              : counted && settlesHit(settled_[k], pending_[k], dense_[k], id));
      if (cleaning_ ? id < keptSize_[k] && kept_[k][id] != 0 && (!counted || settled)
                    : !counted || settled) {
        if (counted) {
          droppedId_ = id;
          droppedKind_ = kind;
        }
        return;
      }
      // A hit that the dense slots cannot place is looked up from the current
      // service, which must then be the one of the hit dropped just before.
      if (droppedKind_ && (!dense || !dense_[k][id]))
        *next_++ = TraceHit{droppedId_, 1, droppedKind_};
      droppedKind_ = 0;
    }
    *next_++ = TraceHit{id, count, kind};
  }

  /// A counted hit of `kind` on `id` left out as take() leaves it out.
  void noteDropped(unsigned kind, uint32_t id) {
    droppedId_ = id;
    droppedKind_ = static_cast<uint8_t>(kind);
  }

  /// Hits stored; the last hit dropped is kept when no hit followed it.
  std::size_t finish() {
    if (droppedKind_) *next_++ = TraceHit{droppedId_, 1, droppedKind_};
    droppedKind_ = 0;
    return static_cast<std::size_t>(next_ - out_);
  }

private:
  TraceHit *out_;
  TraceHit *next_;
  /// The last place of the store.
  TraceHit *last_;
  unsigned kinds_ = 0;
  /// Per kind: the dense slots that may be settled (none for counted hits), their
  /// settled bits, the slots.
  std::size_t denseSize_[4] = {};
  uint64_t *settled_[4] = {};
  uint64_t *pending_[4] = {};
  Branch *const *dense_[4] = {};
  /// With the cleaned trace, the counters it keeps per kind.
  bool cleaning_ = false;
  const uint32_t *kept_[4] = {};
  std::size_t keptSize_[4] = {};
  /// The last hit dropped as settled since the last hit stored (kind 0: none).
  uint32_t droppedId_ = 0;
  uint8_t droppedKind_ = 0;
};

} // namespace hit_scan
