#include "trace/tio_line_parser.h"

#include <cstdio>

#include "support/messages.h"
#include "support/run_clock.h"

NameEntry *testNameOf(const TestStartLine &line, NameEntry *defaultName) {
  if (line.name) return line.name;
  if (!line.numberText) return defaultName;
  return internName(line.numberText);
}

void TioLineParser::open(const InputFile &input) {
  fileName_ = QString::fromLocal8Bit(input.name.c_str());
  opcodeText_ = nullptr;
  if (!reader_.open(input.path.c_str()))
    reportFatal(tr("Fatal Error", "Cannot open trace file %1", "%1 is the name of the trace file")
                    .arg(fileName_));
  reader_.failOnReadError(fileName_);
}

bool TioLineParser::readQuoted() {
  if (!reader_.nextQuotedText(quoted_)) return false;
  // The text comes with its enclosing quotes.
  if (quoted_.size() < 2) {
    quoted_.clear();
  } else {
    quoted_.pop_back();
    quoted_.erase(0, 1);
  }
  return true;
}

TestStartLine TioLineParser::readTestStart() {
  TestStartLine line;
  if (readQuoted()) line.name = internName(quoted_.c_str());
  if (const char *number = reader_.nextToken()) {
    line.number = ReadHex(number, fileName_);
    line.numberText = number;
    if (const char *group = reader_.nextToken()) {
      line.group = ReadHex(group, fileName_);
      line.hasGroup = true;
    }
  }
  return line;
}

NameEntry *TioLineParser::readDate() {
  if (readQuoted()) {
    // The date ends at the first quote of the value.
    std::size_t quote = quoted_.find('"');
    if (quote != std::string::npos) quoted_.resize(quote);
    return internName(quoted_.c_str());
  }
  int32_t seconds = static_cast<int32_t>(ReadHexTime(reader_.nextToken(), fileName_));
  if (seconds <= 0) return nullptr;
  return internName(dateText(seconds).c_str());
}

FilePartId TioLineParser::readFilePart() {
  FilePartId part;
  part.fileKey = ReadHex(reader_.nextToken(), fileName_);
  if (!reader_.readLine())
    reportFatal(tr("Fatal Error", "No DC line in TIO file %1", "%1 is the name of the file")
                    .arg(fileName_));
  opcodeText_ = reader_.nextToken();
  if (opcode() != OpDC)
    reportFatal(tr("Fatal Error", "DC line missing after FT line in TIO file %1",
                   "%1 is the name of the file")
                    .arg(fileName_));
  part.checksum = ReadHex(reader_.nextToken(), fileName_);
  return part;
}

void TioLineParser::reportExecutionError() {
  QString text;
  switch (readNumber()) {
  case 0x20:
    text = tr("User Error", "a source object was not linked with the right runtime object (check "
                            "instrumentation mode)");
    break;
  case 0x31:
    text = tr("User Error", "a composition of conditions evaluates in an unexpected result, "
                            "contact your vendor");
    break;
  case 0x32:
    text = tr("User Error", "a composition of conditions reached with an unexpected input vector, "
                            "contact your vendor");
    break;
  default:
    text = tr("User Error", "unknown error opcode");
    break;
  }
  reportWarning(tr("User Warning", "Error detected during execution:\n-> %1",
                   "%1 is the message of the error")
                    .arg(text));
}

void TioLineParser::reportUnknownOpcode(bool withDescription) {
  const QString opcodeText = QString::fromLocal8Bit(opcodeText_ ? opcodeText_ : "");
  if (!withDescription)
    reportFatal(
        tr("Fatal Error", "Unknown opcode in trace file %1", "%1 is the name of the trace file")
            .arg(fileName_));
  reportFatal(
      tr("Fatal Error",
         "Unknown opcode in trace file %1: %2\nDescription:\n The TIO file is quite easy to read, "
         "each line starts with 2 characters (the opcode) then a space then parameters for the "
         "opcode.\n Most of the time the parameter is a hexadecimal number but the DT opcodes take "
         "a string parameters (or 0) and the NT opcode takes a string and 2 hexadecimal numbers as "
         "parameters.\n This message indicates that the first characters of the line, up to the "
         "space character, were not one of the opcodes expected in a TIO file.\n This is usually "
         "a sign of a corrupted TIO file.",
         "%1 is the name of the trace file and %2 is the unknown opcode")
          .arg(fileName_, opcodeText));
}

void TioLineParser::reportHitOutsideFilePart() {
  reportFatal(tr("Fatal Error", "Incorrect traces in %1 (branch hit outside of any file-part)",
                 "%1 is the name of the incorrect trace file")
                  .arg(fileName_));
}

void TioLineParser::reportNotValid() {
  reportError(tr("User Error", "%1 is not a valid Code Coverage trace file").arg(fileName_));
}
