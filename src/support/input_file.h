// Input files: the name the user gave, shown in messages, and the path read. A
// pipe or a device is read once, into a temporary copy that every pass reads.
#pragma once

#include <string>

/// One input file.
struct InputFile {
  /// The name as given (after pattern expansion), for messages.
  std::string name;
  /// The path that is read.
  std::string path;
};

/// An input as it can be read more than once: a regular file (or a name that
/// cannot be opened, for its reader to report) as it is; anything else (a pipe, a
/// FIFO, /dev/stdin) is copied whole into an unnamed temporary file that stays
/// open until the process ends, and the path reads that copy. A failed copy is
/// fatal ("Cannot read file %1: %2").
InputFile openInput(const std::string &name);
