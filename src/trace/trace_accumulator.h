// What the lines of the traces mean: tests and their boundaries, file-parts matched
// against the loaded source files, hits recorded in the model, and the hits kept
// for the cleaned trace.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/hit_recorder.h"
#include "support/run_settings.h"
#include "trace/cleaned_trace_writer.h"
#include "trace/hit_line_scanner.h"
#include "trace/test_state.h"
#include "trace/tio_line_parser.h"
#include "trace/trace_events.h"

class TraceAccumulator {
public:
  /// The events go to the run being served; may be null. `runTime` dates the
  /// merged cleaned section.
  TraceAccumulator(HitRecorder &recorder, const RunSettings &options, TraceEvents *events,
                   std::time_t runTime);
  ~TraceAccumulator();
  TraceAccumulator(const TraceAccumulator &) = delete;
  TraceAccumulator &operator=(const TraceAccumulator &) = delete;

  TestState &state() { return state_; }
  const TestState &state() const { return state_; }

  /// A trace file begins: the test and the file-part carried over from the
  /// previous file stay skipped when they were being skipped.
  void startFile(const std::string &path);
  /// The current test is one the selection excludes.
  bool testSkipped() const { return testSkipped_; }
  /// The current file-part is not read: it matched no loaded section, or the
  /// selection excludes its source file.
  bool partSkipped() const { return partSkipped_; }
  /// The date of a DT line (none for no date).
  void setDate(NameEntry *date) {
    state_.currentDate = date;
    dateFromEarlierFile_ = false;
  }
  /// An NT line: writes the pending cleaned section, closes the open test unless
  /// the line continues it, and begins the new test.
  void beginTest(const TestStartLine &line);
  /// An FT line with its DC line: the file-part becomes current.
  void beginFilePart(FilePartId id);
  /// A CO line; `remember` marks that a count-oriented test was read.
  void markCountOriented(bool remember);
  /// A hit line in the Reading state (a current file-part exists).
  void recordHit(TioOpcode opcode, uint32_t id, uint32_t count) {
    if (count == 0) return; // a counted line that counts nothing records no hit
    SourceFile &part = *state_.currentPart;
    if (!part.placeholder && (state_.typeSet & kHitTypeBits[opcode - OpTP]))
      recorder_.markTraceBranch(part, opcode - OpTP + 1, id, count, state_.countOriented);
    if (cleaning_) AddTioBranch(opcode, id, count);
  }
  /// Hit lines in the Reading state, in order (a current file-part exists); the
  /// same as recordHit for each.
  void recordHits(const TraceHit *hits, std::size_t count);
  /// The filter of the hits of the current file-part that recordHits may be
  /// spared; null when every hit must reach it (placeholder, no branch index).
  /// With the cleaned trace, the filter holds the part's kept counters, which the
  /// next recordHits may move: it is asked for again after each.
  const HitScanFilter *hitScanFilter();
  /// Keeps a hit of the current file-part for the cleaned trace.
  void AddTioBranch(uint8_t opcode, uint32_t id, uint32_t count);
  /// AddTioBranch for hits of a loaded file-part whose IDs are all below its
  /// branch counts.
  void keepForCleanedTrace(SourceFile &part, const TraceHit *first, const TraceHit *end);
  /// After the last trace file: the last cleaned section, the last test, the end of
  /// the CIO records, the run's count orientation and the unknown test names.
  void endOfReading(bool anyTraceFile);
  /// After the conclusion: the merged section and closing the cleaned trace.
  void finishCleanedOutput();
  /// The effective types: requested, else the union of the files' types.
  void resetTypeSet();

private:
  /// Coverage types that enable the model lookup, by hit opcode (TP, TA, TB, TE).
  static constexpr CoverageTypes kHitTypeBits[4] = {CovFunctions | CovFunctionsExits, CovCalls,
                                                    CovStatementBlocks | CovImplicitBlocks |
                                                        CovLoops | CovAsyncBlocks,
                                                    CovBasicConditions | CovCompoundConditions};

  /// The kinds whose hits the model counts (bit kind - 1), by the type set.
  unsigned countedKinds() const;
  /// Whether the file selection keeps a source file.
  bool isSelected(const SourceFile &file);
  /// Evaluates, reports and records the test that ends.
  void closeTest();
  void writeCleanedSection(bool merged);
  void warnUnknownTests(const OccurrenceList &names, const QString &text) const;

  HitRecorder &recorder_;
  const RunSettings &options_;
  TraceEvents *events_;
  /// The run's time.
  const std::time_t runTime_;
  TestState state_;
  const bool cleaning_;
  std::unique_ptr<CleanedTraceWriter> cleaned_;
  /// The hits of a file-part kept for the cleaned trace (from the writer).
  PendingHits &pendingOf(const SourceFile &part);
  /// The hit filter of a file (made once per type set), or null when its hits
  /// must all reach recordHits.
  HitScanFilter *filterFor(SourceFile &part);
  /// The hit filter of a file-part read, and the pending round (plus one) in
  /// which the model was told that its scans may leave hits pending.
  struct PartFilter {
    std::unique_ptr<HitScanFilter> filter;
    uint64_t notedRound = 0;
  };
  /// The filter of each file-part read (by file ordinal) under the type set.
  std::vector<PartFilter> filters_;
  /// Counts the type sets: filters kept with the pairs are those of this one.
  uint32_t filterGeneration_ = 0;
  /// The filter of the current file-part when it is read, else null, and the
  /// ordinal of the part.
  HitScanFilter *currentFilter_ = nullptr;
  uint32_t currentOrdinal_ = 0;
  /// The file-part whose pending hits were last asked for, and those hits.
  const SourceFile *pendingPart_ = nullptr;
  PendingHits *pending_ = nullptr;
  /// The current test is one the selection excludes.
  bool testSkipped_ = false;
  /// The current file-part is not read: it matched no loaded section, or the
  /// selection excludes its source file (also when no placeholder was made).
  bool partSkipped_ = false;
  /// The current date was read in an earlier trace file: it stays the date of the
  /// test carried over, and the next NT line clears it.
  bool dateFromEarlierFile_ = false;
  /// The message about parts that match no FDC file was given.
  bool unmatchedPartReported_ = false;
  /// The files already checked for IDs shared by several services (-CLEAN).
  std::unordered_set<const SourceFile *> warnedSharedIds_;
  /// The file selection's answer for each source file met in an FT line.
  std::unordered_map<const SourceFile *, bool> fileSelected_;
  /// A file-part pair met before and what it matched.
  struct MatchedPart {
    /// File key << 32 | checksum.
    uint64_t identity = 0;
    /// The file the pair matched; null for an empty entry.
    SourceFile *file = nullptr;
    /// The file is read: not a placeholder, and the file selection keeps it.
    bool read = false;
    /// Ordinal of the file.
    uint32_t ordinal = 0;
    /// Its hit filter, when filterGeneration is the current one.
    HitScanFilter *filter = nullptr;
    uint32_t filterGeneration = 0;
  };
  /// The entry of a pair in matchedParts_, empty (no file) when it is not there.
  MatchedPart &matchedPart(uint64_t identity);
  /// Counts an entry just filled in; the table grows when it is half full. Returns
  /// the entry at its place after growing.
  MatchedPart &rememberMatchedPart(const MatchedPart &part);
  /// Pairs met before that matched a file, by a hash of the pair (open
  /// addressing, a power of two of entries).
  std::vector<MatchedPart> matchedParts_;
  std::size_t matchedCount_ = 0;
};
