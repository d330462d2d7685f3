// Work done on a block of a file by the thread that reads it ahead, once the
// block is read and before the reader gets it: the reader then finds part of its
// work done. A block the reader reads itself (when the thread lags) gets none,
// so what is prepared may only spare the reader work, never change its results.
#pragma once

#include <cstddef>

class BlockPreparer {
public:
  /// Distinct slots a line reader's read-ahead blocks can be in (two sets of two:
  /// the file open and the next one).
  static constexpr int kSlots = 4;

  /// Called on the reading thread with the bytes of a block just read into
  /// `slot`; padding bytes that may be read (not written) follow them. Calls for
  /// distinct slots may come at once from two threads.
  virtual void prepare(int slot, const char *data, std::size_t size) = 0;

protected:
  ~BlockPreparer() = default;
};
