// Input names on the command line: wildcard patterns matched against directory
// entries, each directory listed at most once per run.
#pragma once

#include <map>
#include <string>
#include <vector>

class PatternExpander {
public:
  /// With `keepUnusableNames` a name without wildcard that exists but is no file
  /// to read (a directory, a link to a missing file) stays as typed, for its reader
  /// to say that it leaves it out; otherwise such a name stands for nothing.
  explicit PatternExpander(bool keepUnusableNames = false)
      : keepUnusableNames_(keepUnusableNames) {}

  /// The names a command-line word stands for:
  /// - a name without wildcard that exists (any kind of file but a directory) is
  ///   itself, also a pipe or a device;
  /// - a name without wildcard that exists but is no file to read (a directory, a
  ///   link to a missing file) is itself as typed when unusable names are kept;
  /// - otherwise the non-directory entries of its directory whose names match it
  ///   (`*`, `?`, `[...]`, letter case ignored, on the bytes of the names, so that
  ///   names that are not valid text match too), sorted ignoring letter case;
  /// - the word itself when no entry matches (its reader then says it cannot be
  ///   opened); nothing when only directories match.
  std::vector<std::string> expand(const std::string &word);

private:
  /// The entries of a directory, read once.
  const std::vector<std::string> &entriesOf(const std::string &directory);

  /// Names that cannot be read stay as typed (see the constructor).
  bool keepUnusableNames_;
  std::map<std::string, std::vector<std::string>> listings_;
};
