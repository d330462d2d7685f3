// The trace blocks read ahead come with part of their plain hit lines decoded:
// the thread that read a block decodes the lines of its last part, while the
// reader is still at an earlier block. The reader scans the first part itself
// and records the last from the decoded lines, so the two processors share the
// decoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "support/block_preparer.h"
#include "trace/hit_line_scanner.h"

/// A run of plain hit lines decoded in a block: the lines between two lines that
/// were not decoded.
struct DecodedRun {
  /// Offset of its first line in the block, and its bytes.
  std::size_t start = 0;
  std::size_t bytes = 0;
  /// Its lines among the block's decoded lines.
  std::size_t first = 0;
  std::size_t lines = 0;
};

class PreparedHitRuns final : public BlockPreparer {
public:
  /// The runs of one block.
  struct Slot {
    /// The block's bytes (the runs' offsets count from there).
    const char *data = nullptr;
    /// In block order.
    std::vector<DecodedRun> runs;
    std::vector<uint32_t> lines;

    /// The run that starts where `bytes` start, if any; else shortens `bytes` to
    /// end where the next run starts, so that a scan of them stops there. The
    /// bytes may start before the block, with a line carried over from the one
    /// before.
    const DecodedRun *runAt(std::string_view &bytes) const;
  };

  /// Decodes with `path`, from `share` of each block (a fraction) to its end.
  PreparedHitRuns(HitScanPath path, double share) : path_(path), share_(share) {}

  void prepare(int slot, const char *data, std::size_t size) override;

  /// The runs of the block in `slot`; valid while the reader holds that block.
  const Slot &slot(int slot) const { return slots_[slot]; }

private:
  const HitScanPath path_;
  const double share_;
  Slot slots_[kSlots];
};
