// Outputs must never destroy inputs: an output file that is also an input, or two
// outputs that are one file, end the run before anything is opened for writing.
#pragma once

#include <string>
#include <sys/stat.h>
#include <vector>

/// One output file of the run and the option that names it.
struct NamedOutput {
  /// The option, as shown in messages ("-OUTPUT", "-CLEAN", ...).
  const char *option;
  /// The path given.
  std::string path;
  /// The option may name this file more than once (listings of one name are
  /// appended to one another).
  bool mayRepeat = false;
};

/// A file's device and inode as one key: two names with the same key are one file.
std::string deviceInodeKey(const struct stat &status);

/// Fatal "Output file %1 of %2 is also an input file" when an output names an
/// input, and "Outputs %1 and %2 name the same file %3" when two outputs name one
/// file. Two names are one file when they have the same device and inode, or the
/// same resolved folder and name, so links to files and to folders are seen
/// through. An output that is not a regular file (/dev/null, a pipe, a terminal)
/// may be named more than once. Costs are linear in the names.
void checkOutputsAgainstInputs(const std::vector<NamedOutput> &outputs,
                               const std::vector<std::string> &inputs);
