#include "flow/path_trace.h"

#include <array>
#include <cstdint>

#include "cli/selection.h"
#include "flow/branch_line.h"
#include "flow/branch_line_cache.h"
#include "flow/flow_output.h"
#include "model/coverage_model.h"
#include "model/service_cursor.h"
#include "report/report_labels.h"
#include "support/run_clock.h"
#include "support/tool_version.h"
#include "trace/hit_line_scanner.h"
#include "trace/prepared_hit_runs.h"
#include "trace/tio_line_parser.h"
#include "trace/trace_reading_machine.h"

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

/// One path trace pass: its test and file-part, apart from those of the report's
/// reading pass. The reading machine reads the lines; the pass writes what they
/// mean. Any line may end the run: the output holds what was written before it
/// until then.
class PathTracePass {
public:
  PathTracePass(std::FILE *out, const std::string &outputName, const RunSettings &options,
                ReportLanguage language, const CoverageModel &model);

  void run(const std::vector<InputFile> &traceFiles, std::time_t runTime);

  /// What the reading machine asks of its consumer (trace_reading_machine.h).
  void startFile(const InputFile &) {}
  bool testSkipped() const { return testSkipped_; }
  bool partSkipped() const { return partSkipped_; }
  bool hasCurrentPart() const { return currentPart_ != nullptr; }
  void takeHitLines() { writePlainHitLines(); }
  /// An NT line: the test's name, its selection, no count.
  void beginTest(const TestStartLine &line);
  /// An FT line and its DC line: the file-part and its selection.
  void beginFilePart(FilePartId id);
  void hit(TioOpcode opcode, uint32_t id, uint32_t) { writeHit(opcode - OpTP + 1, id); }
  /// A DT line: the test line.
  void date(NameEntry *date);
  void markCountOriented(bool) { countOriented_ = true; }
  bool countOriented() const { return countOriented_; }
  /// The count is not shown, but a count-oriented test must give it.
  static constexpr bool kCountRequired = true;
  static constexpr bool kDescribesUnknownOpcode = false;

private:
  void writeHeader(std::time_t runTime);
  /// Writes the lines of the plain hit lines that come next in the read buffer.
  void writePlainHitLines();

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
  const RunSettings &options_;
  const CoverageModel &model_;
  const int language_;
  /// Where branch lookups start, as in the reading pass.
  ServiceCursor cursor_;
  /// The scan path of the decoding.
  const HitScanPath scanPath_ = bestHitScanPath();
  BranchLineCache lines_;
  /// The plain hit lines of the blocks read ahead, decoded by the thread that read
  /// them (kept until that thread, the parser's, has stopped).
  PreparedHitRuns preparedRuns_{scanPath_, kReaderShare};
  TioLineParser parser_;
  TraceReadingMachine<PathTracePass> machine_{*this, parser_};
  /// The name "#" of a test without name or number.
  NameEntry *const defaultName_;
  /// Bit k - 1 set: the type set enables hits of trace kind k.
  unsigned hitKinds_ = 0;

  /// The current test's name, or none.
  NameEntry *testName_ = nullptr;
  /// The file-part of the last FT line when it matched a loaded section.
  SourceFile *currentPart_ = nullptr;
  /// The current test carries counts on its hit lines.
  bool countOriented_ = false;
  /// The current test is one the selection excludes.
  bool testSkipped_ = false;
  /// The current file-part is not read: it matched no loaded section, or only a
  /// placeholder of the cleaned trace, or the selection excludes its source file.
  bool partSkipped_ = false;
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

PathTracePass::PathTracePass(std::FILE *out, const std::string &outputName,
                             const RunSettings &options, ReportLanguage language,
                             const CoverageModel &model)
    : output_(out, QString::fromLocal8Bit(outputName.c_str())), options_(options), model_(model),
      language_(language),
      lines_(cursor_, branchLineLabels(language), scanPath_ >= HitScanPath::Avx512),
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
  machine_.readFiles(traceFiles);
  output_.append(kSeparator);
  output_.finish();
}

void PathTracePass::beginTest(const TestStartLine &line) {
  testName_ = testNameOf(line, defaultName_);
  countOriented_ = false;
  testSkipped_ = !isTestSelected(testName_, options_);
}

const PathTracePass::MatchedPart &PathTracePass::match(FilePartId id) {
  const uint64_t identity = uint64_t{id.fileKey} << 32 | id.checksum;
  MatchedPart &entry = matchedParts_[(identity * 0x9E3779B97F4A7C15u) >> 54];
  if (entry.known && entry.identity == identity) {
    cursor_.clear(); // as a new lookup does
    return entry;
  }
  cursor_.clear();
  SourceFile *found = model_.findSourceFile(id.fileKey, id.checksum);
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

void PathTracePass::beginFilePart(FilePartId id) {
  const MatchedPart &part = match(id);
  currentPart_ = part.file;
  partSkipped_ = !part.selected;
  if (!partSkipped_) lines_.selectFile(*part.file);
}

void PathTracePass::date(NameEntry *date) {
  output_.append(kReportLabels.get(LblPathTraceTest, language_));
  output_.append(' ');
  if (testName_) output_.append(std::string_view(testName_->text, testName_->length));
  if (date) {
    output_.append(' ');
    output_.append(std::string_view(date->text, date->length));
  }
  output_.append('\n');
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

} // namespace

void runPathTrace(std::FILE *out, const std::string &outputName,
                  const std::vector<InputFile> &traceFiles, const RunSettings &options,
                  ReportLanguage language, const CoverageModel &model, std::time_t runTime) {
  PathTracePass pass(out, outputName, options, language, model);
  pass.run(traceFiles, runTime);
}
