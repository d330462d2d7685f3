// The reading of trace files line by line, shared by every pass over the traces:
// the per-file loop and the reader states (reading, skipping a test, skipping a
// file-part, not valid). The machine reads each line and its parameters and hands
// what the line means to its consumer, which decides what the pass does with it
// (the reading pass records hits in the model, the path trace writes lines).
#pragma once

#include <concepts>
#include <cstdint>
#include <vector>

#include "support/input_file.h"
#include "trace/tio_line_parser.h"

/// What a consumer gives the machine (everything is called in line order):
///
///   void startFile(const InputFile &input)   a trace file is opened
///   bool testSkipped() const   the current test is one the selection excludes
///   bool partSkipped() const   the current file-part is not read (unknown, excluded)
///   bool hasCurrentPart() const   a file-part is current (hit lines may come)
///   void takeHitLines()   while reading a test and file-part: takes the plain hit
///                         lines that come next in the read buffer, if it can
///   void beginTest(const TestStartLine &line)   an NT line
///   void beginFilePart(FilePartId part)         an FT line with its DC line
///   void hit(TioOpcode opcode, uint32_t id, uint32_t count)   a hit line read
///   void date(NameEntry *date)                a DT line read (none: no date)
///   void markCountOriented(bool remember)     a CO line read; `remember` when read
///                                             while reading (not skipping)
///   bool countOriented() const                hit lines carry a count
///   static constexpr bool kCountRequired      a counted hit line must give its count
///                                             (else a missing count counts 1)
///   static constexpr bool kDescribesUnknownOpcode   the unknown-opcode error comes
///                                                   with its long description
///
/// and, for a consumer that may read the lines of skipped file-parts too:
///
///   bool readsSkippedParts() const   the hit and CO lines of a skipped file-part
///                                    are read (skippedHit, markCountOriented)
///   void skippedHit(TioOpcode opcode, uint32_t id, uint32_t count)
///
/// The test and the file-part (and whether they are skipped) are the consumer's:
/// they carry over from one trace file to the next. The reader state does not:
/// each file starts in the state that the carried test and file-part give.
template <typename Consumer> class TraceReadingMachine;

/// A consumer that may read the lines of skipped file-parts.
template <typename Consumer>
concept ReadsSkippedParts = requires(Consumer &consumer, const Consumer &reader) {
  { reader.readsSkippedParts() } -> std::same_as<bool>;
  consumer.skippedHit(OpTP, uint32_t{0}, uint32_t{0});
};

template <typename Consumer> class TraceReadingMachine {
public:
  TraceReadingMachine(Consumer &consumer, TioLineParser &parser)
      : consumer_(consumer), parser_(parser) {}

  /// Reads every trace file in order (the next one read ahead while one is read).
  void readFiles(const std::vector<InputFile> &traceFiles) {
    for (std::size_t i = 0; i < traceFiles.size(); ++i)
      readFile(traceFiles[i], i + 1 < traceFiles.size() ? &traceFiles[i + 1] : nullptr);
  }

  /// Reads one trace file; `next` is the file read after it, if any. A file found
  /// not valid (a line without first token, a line too long for a trace record)
  /// is reported and left; a fatal error ends the run.
  void readFile(const InputFile &input, const InputFile *next) {
    parser_.open(input);
    if (next) parser_.lineReader().prepareNext(next->path.c_str());
    consumer_.startFile(input);
    State state = carriedState();
    for (;;) {
      if (state == State::Reading && consumer_.hasCurrentPart()) consumer_.takeHitLines();
      if (!parser_.nextLine()) {
        // A line that long cannot be a trace record.
        if (parser_.lineTooLong()) state = State::Invalid;
        break;
      }
      const TioOpcode opcode = parser_.opcode();
      if (opcode == OpAbsent) {
        state = State::Invalid;
        break;
      }
      switch (state) {
      case State::Reading:
        state = whileReading(opcode);
        break;
      case State::SkippingTest:
        state = whileSkippingTest(opcode);
        break;
      case State::SkippingFilePart:
        state = whileSkippingFilePart(opcode);
        break;
      case State::Invalid:
        break;
      }
    }
    if (state == State::Invalid) parser_.reportNotValid();
    parser_.close();
  }

private:
  /// How the lines are treated.
  enum class State : uint8_t {
    Reading,          ///< a selected test in a selected file-part
    SkippingTest,     ///< a test that the selection excludes
    SkippingFilePart, ///< a file-part that is not read (unknown or excluded)
    Invalid,          ///< the file is not a trace file
  };

  /// The state at the start of a trace file and after an NT line: a test that
  /// the selection excludes, and a file-part that is not read, stay skipped until
  /// a line changes them. A file-part skipped since before the test (carried over)
  /// still lets the test's own DT and CO lines be read.
  State carriedState() {
    carriedSkip_ = consumer_.partSkipped();
    if (consumer_.testSkipped()) return State::SkippingTest;
    return carriedSkip_ ? State::SkippingFilePart : State::Reading;
  }

  State beginTest() {
    consumer_.beginTest(parser_.readTestStart());
    return carriedState();
  }

  State beginFilePart() {
    consumer_.beginFilePart(parser_.readFilePart());
    carriedSkip_ = false;
    return consumer_.partSkipped() ? State::SkippingFilePart : State::Reading;
  }

  /// Whether the lines of skipped file-parts are read too.
  bool readsSkippedParts() const {
    if constexpr (ReadsSkippedParts<Consumer>)
      return consumer_.readsSkippedParts();
    else
      return false;
  }

  /// The parameters of a hit line.
  struct HitLine {
    uint32_t id = 0;
    uint32_t count = 1;
  };
  HitLine readHit() {
    HitLine line;
    line.id = parser_.readNumber();
    if (consumer_.countOriented()) {
      if constexpr (Consumer::kCountRequired)
        line.count = parser_.readNumber();
      else
        line.count = parser_.readHitCount(true);
    }
    return line;
  }

  /// Dispatch of one line in each state; each returns the state after the line.
  State whileReading(TioOpcode opcode) {
    switch (opcode) {
    case OpTP:
    case OpTA:
    case OpTB:
    case OpTE: {
      if (!consumer_.hasCurrentPart()) parser_.reportHitOutsideFilePart();
      const HitLine line = readHit();
      consumer_.hit(opcode, line.id, line.count);
      return State::Reading;
    }
    case OpNT:
      return beginTest();
    case OpDT:
      consumer_.date(parser_.readDate());
      return State::Reading;
    case OpCO:
      consumer_.markCountOriented(true);
      return State::Reading;
    case OpFT:
      return beginFilePart();
    case OpEI:
      parser_.reportExecutionError();
      return State::Reading;
    default:
      parser_.reportUnknownOpcode(Consumer::kDescribesUnknownOpcode);
    }
  }

  State whileSkippingTest(TioOpcode opcode) {
    if (opcode == OpNT) return beginTest();
    if (opcode == OpEI) parser_.reportExecutionError();
    return State::SkippingTest;
  }

  State whileSkippingFilePart(TioOpcode opcode) {
    switch (opcode) {
    case OpTP:
    case OpTA:
    case OpTB:
    case OpTE:
      if constexpr (ReadsSkippedParts<Consumer>) {
        if (consumer_.readsSkippedParts()) {
          const HitLine line = readHit();
          consumer_.skippedHit(opcode, line.id, line.count);
        }
      }
      break;
    case OpNT:
      return beginTest();
    case OpFT:
      return beginFilePart();
    case OpEI:
      parser_.reportExecutionError();
      break;
    case OpDT:
      if (carriedSkip_) consumer_.date(parser_.readDate());
      break;
    case OpCO:
      if (carriedSkip_ || readsSkippedParts()) consumer_.markCountOriented(carriedSkip_);
      break;
    default:
      break;
    }
    return State::SkippingFilePart;
  }

  Consumer &consumer_;
  TioLineParser &parser_;
  /// The file-part being skipped was carried into the test or the trace file
  /// rather than entered by an FT line.
  bool carriedSkip_ = false;
};
