// A source file read line by line for a page, in a buffer of bounded size: a page
// of a source of any length costs memory for its longest line only. Only a regular
// file is read, never past the size it had when it was opened, and it can be read
// again from its start (a first pass measures it, a second writes it).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "support/non_copyable.h"
#include "support/source_text.h"

class SourceLines : NonCopyable {
public:
  SourceLines() = default;
  ~SourceLines();

  /// Opens the file: Read when it can be read (nothing is read yet), else
  /// Missing, NotRegular or Failed. It is opened without blocking (a FIFO without
  /// a writer does not hang).
  SourceTextStatus open(const std::string &path);
  /// Goes back to the start of the file; false when it cannot.
  bool rewind();
  /// The next line, without its line feed nor a carriage return before it; a
  /// last line without line feed counts. False at the end, or on a read error
  /// (then failed() is true). The view holds until the next call.
  bool next(std::string_view &line);
  /// A read failed.
  bool failed() const { return failed_; }

private:
  /// Reads more bytes after those kept; false at the end or on a failure.
  bool fill();

  int fd_ = -1;
  /// Bytes of the file when it was opened, and those read since the last rewind.
  std::size_t size_ = 0;
  std::size_t read_ = 0;
  bool failed_ = false;
  std::string buffer_;
  /// The bytes of buffer_ not handed out yet: [start_, end_).
  std::size_t start_ = 0;
  std::size_t end_ = 0;
};
