// A unified diff as `git diff` (or `diff -u`) prints it, read for the lines it
// changes in the new version of each file: any context size, paths with or
// without the a/ and b/ prefixes, quoted paths, /dev/null for an added or a
// deleted file, "\ No newline at end of file" markers. Each hunk's line counts
// are checked against its header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// One file of the diff that has a new version.
struct DiffFile {
  /// The new file's path, without the b/ prefix when the diff uses prefixes (its
  /// old path begins with a/, or is /dev/null, and its new path with b/).
  std::string path;
  /// The new file's path as the diff writes it (unquoted).
  std::string givenPath;
  /// The diff creates the file (its old path is /dev/null).
  bool added = false;
  /// The lines of the new file that the diff adds or changes, in the diff's
  /// order; context lines are not changes and a deletion changes no line.
  std::vector<uint32_t> lines;
};

/// Where and why a diff could not be read.
struct DiffError {
  /// The line of the diff, from 1.
  std::size_t line = 0;
  /// The text of that line, as read.
  std::string text;
};

/// The files of a diff that have a new version, in the diff's order (a deleted
/// file is left out). An empty text is a diff that changes nothing.
struct UnifiedDiff {
  std::vector<DiffFile> files;
};

/// Reads a unified diff; false with the line that cannot be read in `error`: a
/// hunk header that does not parse, a hunk outside a file, a file header
/// without its other half, a hunk whose lines do not match its counts, a text
/// with lines but no file header.
bool parseUnifiedDiff(std::string_view text, UnifiedDiff &diff, DiffError &error);

/// Reads a path as a diff header writes it: a C-quoted path ("a/t\303\251st.c")
/// is unquoted, and an unquoted path ends at a tab (diff -u adds a time there).
/// False for a quoted path that does not end with its quote.
bool diffHeaderPath(std::string_view text, std::string &path);
