// Outputs must never destroy inputs: an output file that is also an input, or two
// outputs that are one file, end the run before anything is opened for writing.
#pragma once

#include <string>
#include <vector>

/// One output file of the run and the option that names it.
struct NamedOutput {
  /// The option, as shown in messages ("-OUTPUT", "-CLEAN", ...).
  const char *option;
  /// The path given.
  std::string path;
};

/// Fatal "Output file %1 of %2 is also an input file" when an output names an
/// input (same path, or same device and inode), and "Outputs %1 and %2 name the
/// same file %3" when two outputs name one file.
void checkOutputsAgainstInputs(const std::vector<NamedOutput> &outputs,
                               const std::vector<std::string> &inputs);
