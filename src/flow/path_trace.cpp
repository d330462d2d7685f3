#include "flow/path_trace.h"

#include <array>
#include <cstdint>

#include "cli/selection.h"
#include "flow/branch_line.h"
#include "flow/branch_line_cache.h"
#include "flow/flow_output.h"
#include "model/coverage_model.h"
#include "report/report_labels.h"
#include "support/run_clock.h"
#include "support/tool_version.h"
#include "trace/hit_line_scanner.h"
#include "trace/prepared_hit_runs.h"
#include "trace/tio_line_parser.h"

namespace {

/// Of each block read ahead, the part whose plain hit lines the pass decodes
/// itself: the thread that read the block decodes the rest, so that the pass
/// spends its time writing lines.
constexpr double kReaderShare = 0.0;

constexpr std::string_view kSeparator =
    "--------------------------------------------------------------------------------\n";

/// Coverage types that enable the lookup of a hit, by trace kind (TP, TA, TB, TE).
constexpr CoverageTypes kHitTypeBits[4] = {CovFunctions | CovFunctionsExits, CovCalls,
                                           CovStatementBlocks | CovImplicitBlocks | CovLoops |
                                               CovAsyncBlocks,
                                           CovBasicConditions | CovCompoundConditions};

/// One path trace pass: its reader state, test and file-part, apart from those of
/// the report's reading pass.
class PathTracePass {
public:
  PathTracePass(std::FILE *out, const ReportOptions &options, ReportLanguage language,
                CoverageModel &model);

  void run(const std::vector<InputFile> &traceFiles, std::time_t runTime);

private:
  void writeHeader(std::time_t runTime);
  /// Reads one trace file; `next` is the file read after it, if any.
  void readFile(const InputFile &input, const InputFile *next);
  /// Writes the lines of the plain hit lines that come next in the read buffer.
  void writePlainHitLines();

  /// Dispatch of one line in each state; each returns the state after the line.
  ReaderState whileReading(TioOpcode opcode);
  ReaderState whileSkippingTest(TioOpcode opcode);
  ReaderState whileSkippingFilePart(TioOpcode opcode);

  /// An NT line: the test's name, its selection, no count.
  ReaderState beginTest();
  /// An FT line and its DC line: the file-part and its selection.
  ReaderState beginFilePart();
  /// The state at the start of a trace file and after an NT line: a test that the
  /// selection excludes, and a file-part that is not read, stay skipped until a
  /// line changes them (the DT and CO lines of a test are still read in a
  /// file-part skipped since before it).
  ReaderState carriedState();
  /// A DT line: the test line.
  void writeTestLine();
  /// A hit of a kind on an ID in the current file-part.
  void writeHit(int kind, uint32_t id) {
    if (hitKinds_ & (1u << (kind - 1))) output_.append(lines_.lineOf(kind, id));
  }
  /// The loaded section (not a placeholder) that a file-part pair matches, or
  /// none, and whether the file selection keeps it.
  struct MatchedPart {
    /// File key << 32 | checksum.
    uint64_t identity = 0;
    /// The section; null for an empty entry and for a pair that matches none.
    SourceFile *file = nullptr;
    /// The entry holds an answer.
    bool known = false;
    /// The file selection keeps the section.
    bool selected = false;
  };
  /// What a file-part pair matches: asked of the model once per pair (sections
  /// are not added while the path trace runs).
  const MatchedPart &match(FilePartId id);
  /// Whether the file selection keeps a source file.
  bool isSelected(const SourceFile &file);

  FlowOutput output_;
  const ReportOptions &options_;
  CoverageModel &model_;
  const int language_;
  /// The scan path of the decoding.
  const HitScanPath scanPath_ = bestHitScanPath();
  BranchLineCache lines_;
  /// The plain hit lines of the blocks read ahead, decoded by the thread that read
  /// them (kept until that thread, the parser's, has stopped).
  PreparedHitRuns preparedRuns_{scanPath_, kReaderShare};
  TioLineParser parser_;
  /// The name "#" of a test without name or number.
  NameEntry *const defaultName_;
  /// Bit k - 1 set: the type set enables hits of trace kind k.
  unsigned hitKinds_ = 0;

  /// The current test's name, or none.
  NameEntry *testName_ = nullptr;
  /// The date of the DT line being read.
  NameEntry *date_ = nullptr;
  /// The file-part of the last FT line when it matched a loaded section.
  SourceFile *currentPart_ = nullptr;
  /// The current test carries counts on its hit lines.
  bool countOriented_ = false;
  /// The current test is one the selection excludes.
  bool testSkipped_ = false;
  /// The current file-part is not read: it matched no loaded section, or only a
  /// placeholder of the cleaned trace, or the selection excludes its source file.
  bool partSkipped_ = false;
  /// The skipped file-part was carried into a new test or trace file rather than
  /// entered by an FT line: the test's own DT and CO lines are still read.
  bool carriedSkip_ = false;
  /// Pairs met before, by a hash of the pair (a pair whose entry another pair
  /// took is looked up again).
  std::array<MatchedPart, 1024> matchedParts_{};
  /// The file selection's answer by file ordinal: 1 kept, 0 left out, -1 not
  /// asked yet.
  std::vector<int8_t> fileSelected_;
  /// Hits decoded by the scanner, written a run at a time.
  TraceHit hits_[kMaxTraceHitRun];
  /// The same for lines without count.
  uint32_t decoded_[kMaxTraceHitRun];
};

PathTracePass::PathTracePass(std::FILE *out, const ReportOptions &options, ReportLanguage language,
                             CoverageModel &model)
    : output_(out, QString::fromLocal8Bit(options.flowFile.value_or(std::string()).c_str())),
      options_(options), model_(model), language_(language),
      lines_(model, branchLineLabels(language), scanPath_ >= HitScanPath::Avx512),
      defaultName_(internName("#")) {
  const CoverageTypes typeSet =
      options.coverageTypes ? options.coverageTypes : model.unionOfInstrumentedTypes();
  for (int kind = KindProcPoint; kind <= KindCondition; ++kind)
    if (typeSet & kHitTypeBits[kind - 1]) hitKinds_ |= 1u << (kind - 1);
  // Only the block scans take a run of lines that ends before the bytes do.
  if (scanPath_ != HitScanPath::Plain) parser_.lineReader().setBlockPreparer(&preparedRuns_);
}

void PathTracePass::writeHeader(std::time_t runTime) {
  output_.append(kSeparator);
  output_.append("\n\t\t");
  output_.append(kReportLabels.get(LblPathTraceTitle, language_));
  output_.append("\n\n\t\t    Tool version:    ");
  output_.append(kToolVersion);
  output_.append("\n\n\t\t\t  ");
  // The date text with its line end, then an empty line.
  output_.append(dateText(runTime));
  output_.append("\n\n");
  output_.append(kSeparator);
}

void PathTracePass::run(const std::vector<InputFile> &traceFiles, std::time_t runTime) {
  writeHeader(runTime);
  for (std::size_t i = 0; i < traceFiles.size(); ++i)
    readFile(traceFiles[i], i + 1 < traceFiles.size() ? &traceFiles[i + 1] : nullptr);
  output_.append(kSeparator);
  output_.finish();
}

ReaderState PathTracePass::carriedState() {
  carriedSkip_ = partSkipped_;
  if (testSkipped_) return ReaderState::SkippingTest;
  return partSkipped_ ? ReaderState::SkippingFilePart : ReaderState::Reading;
}

ReaderState PathTracePass::beginTest() {
  const TestStartLine line = parser_.readTestStart();
  testName_ = testNameOf(line, defaultName_);
  countOriented_ = false;
  testSkipped_ = !isTestSelected(testName_, options_);
  return carriedState();
}

const PathTracePass::MatchedPart &PathTracePass::match(FilePartId id) {
  const uint64_t identity = uint64_t{id.fileKey} << 32 | id.checksum;
  MatchedPart &entry = matchedParts_[(identity * 0x9E3779B97F4A7C15u) >> 54];
  if (entry.known && entry.identity == identity) {
    model_.clearCurrentService(); // as FindSourceFile does
    return entry;
  }
  SourceFile *found = model_.FindSourceFile(id.fileKey, id.checksum);
  // A placeholder made for the cleaned trace matches no loaded section either.
  if (found && found->placeholder) found = nullptr;
  entry.identity = identity;
  entry.file = found;
  entry.known = true;
  entry.selected = found && isSelected(*found);
  return entry;
}

bool PathTracePass::isSelected(const SourceFile &file) {
  // The answer depends only on the name and the options: asked once per file.
  if (file.ordinal >= fileSelected_.size()) fileSelected_.resize(file.ordinal + 1, -1);
  int8_t &selected = fileSelected_[file.ordinal];
  if (selected < 0)
    selected = isFileSelected(file.sourceName ? file.sourceName->text : nullptr, options_) ? 1 : 0;
  return selected == 1;
}

ReaderState PathTracePass::beginFilePart() {
  const MatchedPart &part = match(parser_.readFilePart());
  currentPart_ = part.file;
  partSkipped_ = !part.selected;
  carriedSkip_ = false;
  if (!partSkipped_) lines_.selectFile(*part.file);
  return partSkipped_ ? ReaderState::SkippingFilePart : ReaderState::Reading;
}

void PathTracePass::writeTestLine() {
  date_ = nullptr;
  date_ = parser_.readDate();
  output_.append(kReportLabels.get(LblPathTraceTest, language_));
  output_.append(' ');
  if (testName_) output_.append(std::string_view(testName_->text, testName_->length));
  if (date_) {
    output_.append(' ');
    output_.append(std::string_view(date_->text, date_->length));
  }
  output_.append('\n');
}

ReaderState PathTracePass::whileReading(TioOpcode opcode) {
  switch (opcode) {
  case OpTP:
  case OpTA:
  case OpTB:
  case OpTE: {
    if (!currentPart_) parser_.reportHitOutsideFilePart();
    const uint32_t id = parser_.readNumber();
    // The count is not shown, but a count-oriented test must give it.
    if (countOriented_) parser_.readNumber();
    writeHit(opcode - OpTP + 1, id);
    return ReaderState::Reading;
  }
  case OpNT:
    return beginTest();
  case OpDT:
    writeTestLine();
    return ReaderState::Reading;
  case OpCO:
    countOriented_ = true;
    return ReaderState::Reading;
  case OpFT:
    return beginFilePart();
  case OpEI:
    parser_.reportExecutionError();
    return ReaderState::Reading;
  default:
    parser_.reportUnknownOpcode(false);
  }
}

ReaderState PathTracePass::whileSkippingTest(TioOpcode opcode) {
  if (opcode == OpNT) return beginTest();
  if (opcode == OpEI) parser_.reportExecutionError();
  return ReaderState::SkippingTest;
}

ReaderState PathTracePass::whileSkippingFilePart(TioOpcode opcode) {
  switch (opcode) {
  case OpNT:
    return beginTest();
  case OpFT:
    return beginFilePart();
  case OpEI:
    parser_.reportExecutionError();
    break;
  case OpDT:
    if (carriedSkip_) writeTestLine();
    break;
  case OpCO:
    if (carriedSkip_) countOriented_ = true;
    break;
  default:
    break;
  }
  return ReaderState::SkippingFilePart;
}

void PathTracePass::writePlainHitLines() {
  LineReader &lines = parser_.lineReader();
  for (;;) {
    std::string_view bytes = lines.bufferedBytes();
    const std::size_t buffered = bytes.size();
    if (!countOriented_) {
      // Lines without count: those the read-ahead thread decoded, else decoded a
      // run at a time here; what the decoding stops at (a line that is no plain
      // hit line, an ID past its limit) goes to the scan.
      if (lines.preparedSlot() >= 0) {
        const PreparedHitRuns::Slot &slot = preparedRuns_.slot(lines.preparedSlot());
        if (const DecodedRun *run = slot.runAt(bytes)) {
          lines_.writeDecodedLines(slot.lines.data() + run->first, run->lines, hitKinds_, output_);
          lines.skipBytes(run->bytes);
          continue;
        }
      }
      const DecodedLines run = decodeHitLines(scanPath_, bytes, decoded_, kMaxTraceHitRun);
      if (run.lines > 0) {
        lines.skipBytes(run.bytes);
        lines_.writeDecodedLines(decoded_, run.lines, hitKinds_, output_);
        continue;
      }
    }
    const bool shortened = bytes.size() < buffered;
    const HitScan scan = scanHitLines(bytes, countOriented_, hits_, kMaxTraceHitRun,
                                      /*filter=*/nullptr, /*countRequired=*/true);
    if (scan.hits == 0) return;
    lines.skipBytes(scan.bytes);
    lines_.writeLines(hits_, scan.hits, hitKinds_, output_);
    // A scan that took every line up to a decoded run goes on with the run.
    if (shortened && scan.bytes == bytes.size()) continue;
    if (scan.hits < kMaxTraceHitRun) return;
  }
}

void PathTracePass::readFile(const InputFile &input, const InputFile *next) {
  parser_.open(input);
  if (next) parser_.lineReader().prepareNext(next->path.c_str());
  date_ = nullptr;
  ReaderState state = carriedState();
  for (;;) {
    if (state == ReaderState::Reading && currentPart_) writePlainHitLines();
    // Any other line may end the run: the output holds what was written before
    // it until then.
    if (!parser_.nextLine()) break;
    const TioOpcode opcode = parser_.opcode();
    if (opcode == OpAbsent) {
      state = ReaderState::Invalid;
      break;
    }
    switch (state) {
    case ReaderState::Reading:
      state = whileReading(opcode);
      break;
    case ReaderState::SkippingTest:
      state = whileSkippingTest(opcode);
      break;
    case ReaderState::SkippingFilePart:
      state = whileSkippingFilePart(opcode);
      break;
    case ReaderState::Invalid:
      break;
    }
  }
  if (state == ReaderState::Invalid) parser_.reportNotValid();
  parser_.close();
}

} // namespace

void runPathTrace(std::FILE *out, const std::vector<InputFile> &traceFiles,
                  const ReportOptions &options, ReportLanguage language, CoverageModel &model,
                  std::time_t runTime) {
  PathTracePass pass(out, options, language, model);
  pass.run(traceFiles, runTime);
}
