#include "support/read_ahead.h"

#include <cerrno>
#include <cstring>

#include "support/block_preparer.h"
#include "support/host_services.h"
#include "support/unfinished_files.h"

ReadAhead::ReadAhead(int fd, ReadFunction read, std::size_t blockSize, std::size_t room,
                     std::size_t padding, char *const *memory, BlockPreparer *preparer,
                     int slotBase)
    : fd_(fd), read_(read), blockSize_(blockSize), room_(room), givenMemory_(memory != nullptr),
      preparer_(preparer), slotBase_(slotBase) {
  for (int i = 0; i < 2; ++i) {
    Slot &slot = slots_[i];
    slot.memory = memory ? memory[i] : static_cast<char *>(safeAlloc(room + blockSize + padding));
    // Only the room and the block are written by the reader and the thread: the
    // padding is read (never used) by scans that go past the end of the bytes.
    std::memset(slot.memory + room + blockSize, 0, padding);
  }
  thread_ = std::thread([this] {
    blockEndingSignals();
    run();
  });
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
  if (givenMemory_) return;
  for (Slot &slot : slots_)
    std::free(slot.memory);
}

void ReadAhead::readBlock(Slot &slot, uint64_t block, bool prepare) {
  // A block is read whole unless the file ends (or a read fails) inside it: then
  // it is the last one.
  char *data = slot.memory + room_;
  const auto start = static_cast<off_t>(block * blockSize_);
  std::size_t size = 0;
  int error = 0;
  bool last = false;
  while (size < blockSize_) {
    const ssize_t got =
        read_(fd_, data + size, blockSize_ - size, start + static_cast<off_t>(size));
    if (got > 0) {
      size += static_cast<std::size_t>(got);
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error = errno ? errno : EIO;
    last = true;
    break;
  }
  const bool prepared = prepare && preparer_ && size > 0;
  if (prepared) preparer_->prepare(slotBase_ + static_cast<int>(&slot - slots_), data, size);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    slot.prepared = prepared;
    slot.size = size;
    slot.end = last;
    slot.error = error;
    slot.state = SlotState::Ready;
    if (last) ended_ = true;
  }
  changed_.notify_all();
}

void ReadAhead::run() {
  for (;;) {
    std::unique_lock<std::mutex> lock(mutex_);
    // The next block whose slot the reader has given back.
    changed_.wait(lock, [&] {
      return stopping_ || ended_ || slots_[nextToClaim_ % 2].state == SlotState::Free;
    });
    if (stopping_ || ended_) return;
    const uint64_t block = nextToClaim_++;
    Slot &slot = slots_[block % 2];
    slot.state = SlotState::Reading;
    slot.block = block;
    lock.unlock();
    readBlock(slot, block, true);
  }
}

ReadAhead::Block ReadAhead::next() {
  std::unique_lock<std::mutex> lock(mutex_);
  Block result;
  if (lastTaken_) {
    result.end = true;
    result.error = lastError_;
    return result;
  }
  const uint64_t block = nextToTake_;
  Slot &slot = slots_[block % 2];
  if (nextToClaim_ == block && slot.state == SlotState::Free) {
    // The thread has not got to it: read it here rather than wait for it.
    ++nextToClaim_;
    slot.state = SlotState::Reading;
    slot.block = block;
    lock.unlock();
    readBlock(slot, block, false);
    lock.lock();
  }
  changed_.wait(lock, [&] { return slot.state == SlotState::Ready && slot.block == block; });
  slot.state = SlotState::Held;
  ++nextToTake_;
  if (slot.end) {
    // Nothing follows this block; the end (and its failure) comes with the next call.
    lastTaken_ = true;
    lastError_ = slot.error;
    if (slot.size == 0) {
      result.end = true;
      result.error = lastError_;
      return result;
    }
  }
  result.slot = static_cast<int>(block % 2);
  result.data = slot.memory + room_;
  result.size = slot.size;
  result.prepared = slot.prepared ? slotBase_ + static_cast<int>(block % 2) : -1;
  return result;
}

void ReadAhead::release(int slot) {
  if (slot < 0) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    slots_[slot].state = SlotState::Free;
  }
  changed_.notify_all();
}
