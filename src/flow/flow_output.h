// The buffered output of the path trace: lines are put together in a block of
// memory that goes to the stream when it is full, so a line costs a few copies
// and no call into the C library. What the block holds when a fatal error ends
// the run is written first, so that what was written before the error stays.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "support/messages.h"

class FlowOutput final : public HeldOutput {
public:
  /// Bytes kept before they go to the stream.
  static constexpr std::size_t kBlockSize = 1024 * 1024;
  /// Bytes a line may be copied with (see position()).
  static constexpr std::size_t kWindow = 64;

  /// Writes to `out`; `fileName` names the stream in messages.
  FlowOutput(std::FILE *out, QString fileName);
  ~FlowOutput();
  FlowOutput(const FlowOutput &) = delete;
  FlowOutput &operator=(const FlowOutput &) = delete;

  void append(std::string_view text) {
    const std::size_t size = text.size();
    if (size > static_cast<std::size_t>(end_ - next_)) {
      appendLong(text);
      return;
    }
    const char *from = text.data();
    // Most lines are short: two overlapping fixed-size copies move them without
    // a call into the C library.
    if (size >= 16 && size <= 32) {
      std::memcpy(next_, from, 16);
      std::memcpy(next_ + size - 16, from + size - 16, 16);
    } else if (size > 32 && size <= 64) {
      std::memcpy(next_, from, 32);
      std::memcpy(next_ + size - 32, from + size - 32, 32);
    } else {
      std::memcpy(next_, from, size);
    }
    next_ += size;
  }
  /// For a loop that copies lines with kWindow bytes each: where the next byte
  /// goes, and the last position with kWindow bytes of room. The loop gives the
  /// position it got to back with moveTo before any other call.
  char *position() const { return next_; }
  char *lastWindow() const { return end_ - kWindow; }
  void moveTo(char *position) { next_ = position; }
  void append(char c) {
    if (next_ == end_) flush();
    *next_++ = c;
  }
  /// Hands the kept bytes to the stream (which may keep them in its own buffer).
  void flush();
  /// The same, as a fatal error ends the run.
  void writeHeld() override { flush(); }
  /// Flushes down to the file; a failed write ends the run.
  void finish();

private:
  /// A text that does not fit in the room left.
  void appendLong(std::string_view text);
  /// Ends the run when the stream reports a write error.
  void checkStream();

  std::FILE *out_;
  QString fileName_;
  /// The held output this one stands in for while it lives.
  HeldOutput *const replaced_;
  std::unique_ptr<char[]> block_;
  char *next_;
  char *end_;
};
