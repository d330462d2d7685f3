// Source files read whole for an output (an annotated listing, a file page). Only
// a regular file is read, and never past the size it had when it was opened: a
// device, a FIFO or a directory named as a source neither hangs the run nor feeds
// it without end.
#pragma once

#include <string>

/// What became of reading a source file.
enum class SourceTextStatus {
  /// The file was read, up to its size when it was opened.
  Read,
  /// The file cannot be opened.
  Missing,
  /// The file is not a regular file (a device, a FIFO, a directory); nothing is read.
  NotRegular,
  /// The file was opened but could not be read whole.
  Failed,
};

/// A source file's bytes and what became of reading it.
struct SourceText {
  SourceTextStatus status = SourceTextStatus::Missing;
  /// The bytes read; with Failed, those read before the failure.
  std::string bytes;
};

/// Reads the source file at `path`. It is opened without blocking (a FIFO without a
/// writer does not hang) and its type is taken from the open file. A regular file
/// that grows while it is read is cut at its size when opened; one that shrinks
/// gives the bytes it still has.
SourceText readSourceText(const std::string &path);
