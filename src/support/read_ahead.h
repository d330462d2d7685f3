// Reading a large file ahead of its reader: a thread of its own reads the blocks
// of the file (by position, pread) into two slots in turn, so that the reader
// works on one block while the next one is being read. When the reader gets to a
// block that the thread has not started (the thread did not get a processor, on
// a busy machine), the reader reads it itself instead of waiting. The thread only
// reads: what it met (the end of the file, a read error and its errno) is handed
// over with the blocks, and the reader decides what to do about it when it gets
// there, on its own thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <sys/types.h>
#include <thread>

class BlockPreparer;

class ReadAhead {
public:
  /// How blocks are read: pread(2), or a stand-in with the same contract.
  using ReadFunction = ssize_t (*)(int fd, void *buffer, std::size_t count, off_t offset);

  /// One block as the reader gets it.
  struct Block {
    /// Its slot (given back with release).
    int slot = -1;
    /// The bytes read, preceded by `room` bytes the reader may fill and followed
    /// by the padding.
    char *data = nullptr;
    /// Bytes read (0 with `end`).
    std::size_t size = 0;
    /// The file ended before this block, or a read failed (`error` is then its errno).
    bool end = false;
    int error = 0;
    /// The preparer's slot when the thread read and prepared it, else -1.
    int prepared = -1;
  };

  /// Starts reading `fd` (which stays the caller's) from its start with `read`,
  /// in blocks of `blockSize`, each with `room` bytes before it and `padding`
  /// bytes after it. With `memory`, two areas of `room + blockSize + padding`
  /// bytes that stay the caller's, the blocks are read there (a reader of many
  /// files keeps them from file to file instead of faulting in new pages). With
  /// `preparer`, the thread prepares each block it reads, as slot `slotBase` or
  /// `slotBase + 1`.
  ReadAhead(int fd, ReadFunction read, std::size_t blockSize, std::size_t room, std::size_t padding,
            char *const *memory = nullptr, BlockPreparer *preparer = nullptr, int slotBase = 0);
  /// Stops the thread (also in the middle of the file) and frees the blocks it
  /// allocated.
  ~ReadAhead();
  ReadAhead(const ReadAhead &) = delete;
  ReadAhead &operator=(const ReadAhead &) = delete;

  /// Bytes before each block's data that the reader may write.
  std::size_t room() const { return room_; }
  /// The next block in file order. After a block with `end`, every later call
  /// returns the same end.
  Block next();
  /// Gives a block back to be read into again; its bytes are no longer the reader's.
  void release(int slot);

private:
  /// States of a slot.
  enum class SlotState { Free, Reading, Ready, Held };
  struct Slot {
    /// The allocation: room, block, padding.
    char *memory = nullptr;
    SlotState state = SlotState::Free;
    /// The block it holds or is being read into.
    uint64_t block = 0;
    std::size_t size = 0;
    /// The file ended (or a read failed, `error`) inside or right at the end of
    /// this block: no block follows it.
    bool end = false;
    int error = 0;
    /// Prepared by the thread.
    bool prepared = false;
  };

  void run();
  /// Reads block `block` into a slot claimed for it (the mutex not held), and
  /// prepares it when asked and there is a preparer.
  void readBlock(Slot &slot, uint64_t block, bool prepare);

  const int fd_;
  const ReadFunction read_;
  const std::size_t blockSize_;
  const std::size_t room_;
  /// The slots' memory was given, not allocated here.
  const bool givenMemory_;
  BlockPreparer *const preparer_;
  const int slotBase_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Slot slots_[2];
  /// The next block nobody has claimed yet (the thread's or the reader's to read).
  uint64_t nextToClaim_ = 0;
  /// The block the reader gets next.
  uint64_t nextToTake_ = 0;
  /// A block ended the file: no later block is read.
  bool ended_ = false;
  /// The reader took the last block; the end and its failure come next.
  bool lastTaken_ = false;
  int lastError_ = 0;
  /// The reader is gone: the thread stops.
  bool stopping_ = false;
  std::thread thread_;
};
