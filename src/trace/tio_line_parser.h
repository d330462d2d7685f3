// Lines of a trace (TIO) file: the opcode of each line and the parameters of each
// opcode, with their fixed messages. The reading machine (trace_reading_machine.h)
// reads them for every pass over the traces.
#pragma once

#include <QString>
#include <cstdint>
#include <ctime>
#include <string>

#include "support/input_file.h"
#include "support/line_reader.h"
#include "support/name_table.h"
#include "support/numbers.h"
#include "support/run_clock.h"

/// Opcodes of trace lines; the value of a real opcode is its index.
enum TioOpcode : uint8_t {
  OpNT = 0,       ///< a test begins
  OpDT = 1,       ///< the date of the current test
  OpCO = 2,       ///< the hit lines of the current test carry a count
  OpFT = 3,       ///< a file-part begins (a DC line follows)
  OpDC = 4,       ///< the checksum of a file-part
  OpTP = 5,       ///< a procedure point was hit
  OpTA = 6,       ///< a call was hit
  OpTB = 7,       ///< a block was hit
  OpTE = 8,       ///< a condition was hit
  OpEI = 9,       ///< the runtime detected an error
  OpUnknown = 10, ///< a first token that is no opcode (also the empty token)
  OpAbsent = 11,  ///< no first token at all (the line is cut by a NUL byte)
};

/// The opcode of a first token: exactly two characters, compared case-sensitively.
inline TioOpcode recognizeOpcode(const char *token) {
  if (!token) return OpAbsent;
  if (token[0] == '\0' || token[1] == '\0' || token[2] != '\0') return OpUnknown;
  switch (token[0]) {
  case 'T':
    switch (token[1]) {
    case 'P':
      return OpTP;
    case 'A':
      return OpTA;
    case 'B':
      return OpTB;
    case 'E':
      return OpTE;
    default:
      return OpUnknown;
    }
  case 'N':
    return token[1] == 'T' ? OpNT : OpUnknown;
  case 'D':
    return token[1] == 'T' ? OpDT : token[1] == 'C' ? OpDC : OpUnknown;
  case 'C':
    return token[1] == 'O' ? OpCO : OpUnknown;
  case 'F':
    return token[1] == 'T' ? OpFT : OpUnknown;
  case 'E':
    return token[1] == 'I' ? OpEI : OpUnknown;
  default:
    return OpUnknown;
  }
}

/// The parameters of an NT line.
struct TestStartLine {
  /// The quoted name (interned), or none when absent or empty.
  NameEntry *name = nullptr;
  /// The test number's token as written (inside the current line), or null.
  const char *numberText = nullptr;
  /// The test number, when numberText is set.
  uint32_t number = 0;
  /// A group number was given.
  bool hasGroup = false;
  /// The group number, when hasGroup.
  uint32_t group = 0;
};

/// The file key and checksum of an FT line and the DC line after it.
struct FilePartId {
  /// Key of the source file.
  uint32_t fileKey = 0;
  /// Checksum of its instrumented version.
  uint32_t checksum = 0;
};

/// The name a test goes by: its quoted name, else the text of its number as
/// written, else the default name (none only for an empty number token).
NameEntry *testNameOf(const TestStartLine &line, NameEntry *defaultName);

/// Reads one trace file line by line and decodes the parameters of its lines.
class TioLineParser {
public:
  /// Opens a trace file; a file that cannot be opened ends the run.
  void open(const InputFile &input);
  void close() { reader_.close(); }
  /// The file name for messages, as the command line gives it.
  const QString &fileName() const { return fileName_; }

  /// Reads the next line and its first token; false at the end of the file.
  bool nextLine() {
    if (!reader_.readLine()) return false;
    opcodeText_ = reader_.nextToken();
    return true;
  }
  /// Whether reading stopped at a line too long for a trace record.
  bool lineTooLong() const { return reader_.lineTooLong(); }
  /// The longest line accepted (tests make it shorter).
  void setMaxLineLength(std::size_t bytes) { reader_.setMaxLineLength(bytes); }
  /// The opcode of the current line.
  TioOpcode opcode() const { return recognizeOpcode(opcodeText_); }

  /// A required number (reversed hexadecimal).
  uint32_t readNumber() { return ReadHex(reader_.nextToken(), fileName_); }
  /// The count of a hit line: read only for a count-oriented test, 1 otherwise
  /// and when absent.
  uint32_t readHitCount(bool countOriented) {
    if (!countOriented) return 1;
    const char *token = reader_.nextToken();
    return token ? ReadHex(token, fileName_) : 1;
  }
  /// The parameters of an NT line.
  TestStartLine readTestStart();
  /// The date of a DT line, interned; none for a 0 or negative time.
  NameEntry *readDate();
  /// The key of an FT line, then the checksum of the DC line that must follow.
  FilePartId readFilePart();

  /// The warning of an EI line.
  void reportExecutionError();
  /// The fatal unknown opcode (with its long description when asked).
  [[noreturn]] void reportUnknownOpcode(bool withDescription);
  /// The fatal hit line before any file-part.
  [[noreturn]] void reportHitOutsideFilePart();
  /// The error for a file that is not a trace file.
  void reportNotValid();

  /// The line reader (for tests and for passes with their own parameters).
  LineReader &lineReader() { return reader_; }

private:
  /// Value of the next quoted text without its quotes; false when there is none.
  bool readQuoted();

  LineReader reader_;
  QString fileName_;
  /// First token of the current line (in the line), or null.
  const char *opcodeText_ = nullptr;
  /// Scratch for quoted texts, reused from line to line.
  std::string quoted_;
};
