#include "trace/trace_reader.h"

#include <algorithm>
#include <cstdint>

#include "model/hit_recorder.h"
#include "trace/hit_line_scanner.h"
#include "trace/prepared_hit_runs.h"
#include "trace/read_ahead_choice.h"
#include "trace/tio_line_parser.h"
#include "trace/trace_accumulator.h"
#include "trace/trace_reading_machine.h"

/// Of each block read ahead, the part scanned by the reader itself; the thread
/// that read the block decodes the rest. The reader does more per line when it
/// also keeps hits for the cleaned trace: it then leaves more to the thread.
constexpr double kReaderShare = 0.75;
constexpr double kReaderShareCleaning = 0.5;

struct TraceReader::Impl {
  Impl(HitRecorder &recorder, const RunSettings &options, TraceEvents *events, std::time_t runTime)
      : recorder(recorder), accumulator(recorder, options, events, runTime),
        preparedRuns(bestHitScanPath(),
                     options.cleanFile.has_value() ? kReaderShareCleaning : kReaderShare),
        cleaning(options.cleanFile.has_value()) {
    setPreparing(true);
    // Looked up once: the affinity of a run does not change while it reads.
    static const bool aheadPays = readAheadPays(processorLayout());
    if (!aheadPays) parser.lineReader().setReadAheadMinimum(SIZE_MAX);
  }

  /// Whether the blocks read ahead come with their last part decoded (only the
  /// block scans can take a run of lines that ends before the bytes do).
  void setPreparing(bool enabled) {
    preparing = enabled;
    const bool used = enabled && scanPath != HitScanPath::Plain;
    parser.lineReader().setBlockPreparer(used ? &preparedRuns : nullptr);
  }

  /// What the reading machine asks of its consumer (trace_reading_machine.h).
  void startFile(const InputFile &input) { accumulator.startFile(input.name); }
  bool testSkipped() const { return accumulator.testSkipped(); }
  bool partSkipped() const { return accumulator.partSkipped(); }
  bool hasCurrentPart() const { return accumulator.state().currentPart != nullptr; }
  void takeHitLines() {
    if (scanning) recordPlainHitLines();
  }
  void beginTest(const TestStartLine &line) { accumulator.beginTest(line); }
  void beginFilePart(FilePartId part) { accumulator.beginFilePart(part); }
  void hit(TioOpcode opcode, uint32_t id, uint32_t count) {
    accumulator.recordHit(opcode, id, count);
  }
  void date(NameEntry *date) { accumulator.setDate(date); }
  void markCountOriented(bool remember) { accumulator.markCountOriented(remember); }
  bool countOriented() const { return accumulator.state().countOriented; }
  /// With the cleaned trace, the hits of skipped file-parts are kept for it.
  bool readsSkippedParts() const { return cleaning; }
  void skippedHit(TioOpcode opcode, uint32_t id, uint32_t count) {
    accumulator.AddTioBranch(opcode, id, count);
  }
  /// A counted hit line without its count counts 1.
  static constexpr bool kCountRequired = false;
  static constexpr bool kDescribesUnknownOpcode = true;

  /// Records the plain hit lines that come next in the read buffer.
  void recordPlainHitLines();
  /// Records the hits of a run of decoded lines.
  void recordDecodedRun(const DecodedRun &run, const PreparedHitRuns::Slot &slot,
                        const HitScanFilter &filter);

  /// Where the hits go.
  HitRecorder &recorder;
  TraceAccumulator accumulator;
  /// The lines decoded by the read-ahead threads (kept until their threads, the
  /// parser's, have stopped).
  PreparedHitRuns preparedRuns;
  TioLineParser parser;
  TraceReadingMachine<Impl> machine{*this, parser};
  const bool cleaning;
  /// Plain hit lines are taken straight from the read buffer.
  bool scanning = true;
  /// How they are scanned.
  HitScanPath scanPath = bestHitScanPath();
  /// Blocks read ahead are prepared (setPreparing).
  bool preparing = true;
  /// Hits decoded by the scanner, recorded a run at a time.
  TraceHit hits[kMaxTraceHitRun];
};

// The scan reads past the bytes it is given, into the reader's padding.
static_assert(kHitScanPadding <= LineReader::kTailPadding);

void TraceReader::Impl::recordDecodedRun(const DecodedRun &run, const PreparedHitRuns::Slot &slot,
                                         const HitScanFilter &filter) {
  const uint32_t *lines = slot.lines.data() + run.first;
  std::size_t taken = 0;
  while (taken < run.lines) {
    const DecodedTake take =
        takeDecodedHits(scanPath, lines + taken, run.lines - taken, hits, kMaxTraceHitRun, filter);
    if (take.hits > 0) {
      accumulator.recordHits(hits, take.hits);
      // The hits kept for the cleaned trace may have moved (the filter is updated
      // in place).
      if (filter.cleaning) accumulator.hitScanFilter();
    }
    taken += take.lines;
  }
  parser.lineReader().skipBytes(run.bytes);
}

void TraceReader::Impl::recordPlainHitLines() {
  LineReader &lines = parser.lineReader();
  const bool countOriented = accumulator.state().countOriented;
  // Hits that would change nothing in the model need not be stored.
  const HitScanFilter *filter = accumulator.hitScanFilter();
  // Lines decoded ahead are recorded as the scan would record them (not in a
  // count-oriented test: the decoding takes no count).
  const bool decoded = filter && !countOriented && scanPath != HitScanPath::Plain;
  for (;;) {
    std::string_view bytes = lines.bufferedBytes();
    const std::size_t buffered = bytes.size();
    if (decoded && lines.preparedSlot() >= 0) {
      const PreparedHitRuns::Slot &slot = preparedRuns.slot(lines.preparedSlot());
      if (const DecodedRun *run = slot.runAt(bytes)) {
        recordDecodedRun(*run, slot, *filter);
        continue;
      }
    }
    const bool shortened = bytes.size() < buffered;
    const HitScan scan =
        scanHitLinesWith(scanPath, bytes, countOriented, hits, kMaxTraceHitRun, filter);
    lines.skipBytes(scan.bytes);
    if (scan.hits > 0) {
      accumulator.recordHits(hits, scan.hits);
      // The hits kept for the cleaned trace may have moved.
      if (filter && filter->cleaning) filter = accumulator.hitScanFilter();
    }
    // A scan that took every line up to a decoded run goes on with the run.
    if (shortened && scan.bytes == bytes.size() && scan.bytes > 0) continue;
    if (!scan.full || scan.bytes == 0) return;
  }
}

TraceReader::TraceReader(HitRecorder &recorder, const RunSettings &options, TraceEvents *events,
                         std::time_t runTime)
    : impl_(std::make_unique<Impl>(recorder, options, events, runTime)) {}

TraceReader::~TraceReader() = default;

void TraceReader::run(const std::vector<InputFile> &traceFiles) {
  impl_->accumulator.resetTypeSet();
  // The model may have been changed since a previous pass.
  impl_->recorder.forgetSettledHits();
  impl_->machine.readFiles(traceFiles);
  impl_->accumulator.endOfReading(!traceFiles.empty());
}

void TraceReader::run(const std::vector<std::string> &traceFiles) {
  std::vector<InputFile> inputs;
  inputs.reserve(traceFiles.size());
  for (const std::string &path : traceFiles)
    inputs.push_back(InputFile{path, path});
  run(inputs);
}

void TraceReader::finishCleanedOutput() {
  impl_->accumulator.finishCleanedOutput();
}

const TestState &TraceReader::state() const {
  return impl_->accumulator.state();
}

void TraceReader::setHitLineScanning(bool enabled) {
  impl_->scanning = enabled;
}

void TraceReader::setHitScanPath(HitScanPath path) {
  impl_->scanPath = path;
  impl_->setPreparing(impl_->preparing);
}

void TraceReader::setBlockPreparing(bool enabled) {
  impl_->setPreparing(enabled);
}

LineReader &TraceReader::lineReader() {
  return impl_->parser.lineReader();
}

void TraceReader::resetTypeSet() {
  impl_->accumulator.resetTypeSet();
}
