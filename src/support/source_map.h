// The source map of a run (-SOURCEMAP=<from>,<to>): FDC files name the source
// folders of the machine that instrumented them; the map says where those
// sources are found and how the outputs name them. Every place that reads a
// source or shows its path goes through mapSourcePath; the text report keeps
// the names of the FDC files.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct NameEntry;

/// Path prefixes and their replacements.
class SourceMap {
public:
  /// Adds a pair; `from` is matched as a whole path or a leading run of its
  /// folders.
  void add(std::string from, std::string to);
  /// The path with the longest matching prefix replaced (the first one given
  /// among equally long ones); the path itself when none matches.
  std::string apply(const std::string &path) const;
  bool empty() const { return pairs_.empty(); }

private:
  std::vector<std::pair<std::string, std::string>> pairs_;
};

/// Makes `map` the run's source map (set once, when the command line is decoded).
void setSourceMap(SourceMap map);

/// A source path or source folder of an FDC file with the run's map applied.
std::string mapSourcePath(const std::string &path);

/// The path of a source file (SourcePath of its FDC directory and name) with
/// the run's map applied: where the source is read and how the outputs name it.
std::string MappedSourcePath(const NameEntry *directory, const NameEntry *name);
