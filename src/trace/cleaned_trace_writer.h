// The cleaned trace file (-CLEAN): for each test, or once for all tests merged,
// the branches hit since the previous section, once each, grouped by file-part.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/output_file.h"
#include "trace/pending_hits.h"

class CoverageModel;
struct SourceFile;

/// What heads one section of the cleaned trace.
struct CleanedSectionHead {
  /// Test name (local 8-bit text), or null for an NT line without name.
  const char *testName = nullptr;
  /// Date text, or null when the test has no date.
  const char *date = nullptr;
  /// Hit lines carry their counters.
  bool countOriented = false;
};

class CleanedTraceWriter {
public:
  explicit CleanedTraceWriter(std::string path) : path_(std::move(path)) {}
  ~CleanedTraceWriter() { close(); }
  CleanedTraceWriter(const CleanedTraceWriter &) = delete;
  CleanedTraceWriter &operator=(const CleanedTraceWriter &) = delete;

  /// Writes one section from the pending hits of every file-part (opening the file
  /// on the first section; a file that cannot be created ends the run), then
  /// empties the pending hits of every file-part.
  void writeSection(const CleanedSectionHead &head, const CoverageModel &model);
  /// Closes the file when it was opened.
  void close();
  /// The hits of a file-part kept for the next section; the reference stays
  /// valid until the writer is destroyed.
  PendingHits &pendingOf(const SourceFile &file);

private:
  std::string path_;
  OutputFile file_;
  std::FILE *out_ = nullptr;
  /// Pending hits by file ordinal (grown as file-parts are met).
  std::vector<std::unique_ptr<PendingHits>> pending_;
  /// Scratch for the sorted IDs of a placeholder's hits.
  std::vector<uint32_t> ids_;
};

/// A text as the inside of a quoted TIO parameter: backslashes and double quotes
/// are escaped with a backslash, so that the text reads back unchanged.
std::string escapeQuoted(const char *text);
