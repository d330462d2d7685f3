// The store of the common case of the filtered scan: plain hit lines without
// count, to the model alone. It stores what a HitSink would, in fewer
// instructions: a settled hit costs one bit test, a first hit (with pending bits)
// two bits set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "trace/hit_line_scanner.h"
#include "trace/scan/hit_sink.h"

namespace hit_scan {

/// The settled check of one kind, as the tight loop of the filtered scan reads it.
struct KindCheck {
  uint64_t *settled = nullptr;
  std::size_t denseSize = 0;
  Branch *const *dense = nullptr;
  uint64_t *pending = nullptr;
};

/// Made on the stack of each scan, so that its fields stay in registers.
class SettledSink {
public:
  SettledSink(TraceHit *out, std::size_t capacity, const HitScanFilter &filter)
      : counted_(filter.kinds << 1), out_(out), next_(out), last_(out + capacity - 1) {
    for (int k = 0; k < 4; ++k)
      checks_[k + 1] =
          KindCheck{filter.settled[k], filter.denseSize[k], filter.dense[k], filter.pending[k]};
  }

  /// No room for the hits of one more line (its own and a dropped one kept).
  bool full() const { return next_ >= last_; }

  /// Takes the hit of a line of `kind` (1 to 4); false once the store is full.
  [[gnu::always_inline]] bool take(unsigned kind, uint32_t id) {
    if (!(counted_ >> kind & 1u)) return true;
    const KindCheck &check = checks_[kind];
    const bool dense = id < check.denseSize;
    if (dense && settlesHit(check.settled, check.pending, check.dense, id)) {
      droppedId_ = id;
      droppedKind_ = kind;
      return true;
    }
    // A hit that the dense slots cannot place is looked up from the current
    // service, which must then be the one of the hit dropped just before.
    if (droppedKind_ && (!dense || !check.dense[id]))
      *next_++ = TraceHit{droppedId_, 1, static_cast<uint8_t>(droppedKind_)};
    droppedKind_ = 0;
    *next_++ = TraceHit{id, 1, static_cast<uint8_t>(kind)};
    return next_ < last_;
  }

  /// Hits stored; the last hit dropped is kept when no hit followed it.
  std::size_t finish() {
    if (droppedKind_) *next_++ = TraceHit{droppedId_, 1, static_cast<uint8_t>(droppedKind_)};
    return static_cast<std::size_t>(next_ - out_);
  }

  /// A hit of a counted kind on a settled branch, dropped as take drops it.
  void noteDropped(unsigned kind, uint32_t id) {
    droppedId_ = id;
    droppedKind_ = kind;
  }
  const KindCheck &check(unsigned kind) const { return checks_[kind]; }
  unsigned counted() const { return counted_; }

private:
  KindCheck checks_[5];
  /// Kinds whose hits the model counts: bit kind.
  const unsigned counted_;
  TraceHit *const out_;
  TraceHit *next_;
  TraceHit *const last_;
  /// The last hit dropped as settled since the last hit stored (kind 0: none).
  uint32_t droppedId_ = 0;
  unsigned droppedKind_ = 0;
};

} // namespace hit_scan
