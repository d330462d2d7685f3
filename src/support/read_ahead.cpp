#include "support/read_ahead.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "support/host_services.h"

ReadAhead::ReadAhead(int fd, ReadFunction read, std::size_t blockSize, std::size_t room,
                     std::size_t padding)
    : fd_(fd), read_(read), blockSize_(blockSize), room_(room) {
  for (Slot &slot : slots_) {
    slot.memory = static_cast<char *>(safeAlloc(room + blockSize + padding));
    // Only the room and the block are written by the reader and the thread: the
    // padding is read (never used) by scans that go past the end of the bytes.
    std::memset(slot.memory + room + blockSize, 0, padding);
  }
  thread_ = std::thread([this] { run(); });
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
  for (Slot &slot : slots_)
    std::free(slot.memory);
}

void ReadAhead::run() {
  // Bytes read before the end of the file or a failure come in a block of their
  // own; the end follows in the next one, with no bytes.
  bool ended = false;
  int endError = 0;
  for (int index = 0;; index ^= 1) {
    Slot &slot = slots_[index];
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || slot.state == SlotState::Free; });
      if (stopping_) return;
      if (ended) {
        publish(slot, 0, true, endError);
        return;
      }
      slot.state = SlotState::Reading;
    }
    // Fill the block; a short read is followed by more until the block is full or
    // the file ends, so that every block but the last is whole.
    char *data = slot.memory + room_;
    std::size_t size = 0;
    while (size < blockSize_) {
      const ssize_t got = read_(fd_, data + size, blockSize_ - size);
      if (got > 0) {
        size += static_cast<std::size_t>(got);
        continue;
      }
      if (got < 0 && errno == EINTR) continue;
      ended = true;
      endError = got < 0 ? (errno ? errno : EIO) : 0;
      break;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (size > 0) {
      publish(slot, size, false, 0);
      continue;
    }
    publish(slot, 0, true, endError);
    return;
  }
}

void ReadAhead::publish(Slot &slot, std::size_t size, bool end, int error) {
  slot.size = size;
  slot.end = end;
  slot.error = error;
  slot.state = SlotState::Ready;
  changed_.notify_all();
}

ReadAhead::Block ReadAhead::next() {
  std::unique_lock<std::mutex> lock(mutex_);
  Slot &slot = slots_[nextSlot_];
  changed_.wait(lock, [&] { return slot.state == SlotState::Ready; });
  Block block;
  block.slot = nextSlot_;
  block.data = slot.memory + room_;
  block.size = slot.size;
  block.end = slot.end;
  block.error = slot.error;
  // The end stays where it is: every later call finds it again.
  if (slot.end) return block;
  slot.state = SlotState::Held;
  nextSlot_ ^= 1;
  return block;
}

void ReadAhead::release(int slot) {
  if (slot < 0) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (slots_[slot].end) return;
    slots_[slot].state = SlotState::Free;
  }
  changed_.notify_all();
}
