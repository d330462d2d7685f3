// Helpers of the driver tests: running the decoder and option analysis on a word
// list, with standard error captured.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_line_decoder.h"
#include "cli/option_table.h"
#include "cli/report_options.h"
#include "support/messages.h"
#include "support/name_table.h"

/// An argument vector built from words, with "zeltocov" as the program name.
class ArgumentVector {
public:
  explicit ArgumentVector(std::vector<std::string> words) : words_(std::move(words)) {
    words_.insert(words_.begin(), "zeltocov");
    for (std::string &word : words_)
      pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words_.size()); }
  char **argv() { return pointers_.data(); }

private:
  std::vector<std::string> words_;
  std::vector<char *> pointers_;
};

/// The decoder message for an error text and an element, as printed.
inline std::string decoderMessage(const std::string &error, const std::string &element) {
  return "Corvane(R) Corvane Velmora Command analysis : " + error + " " + element + kReportUsage +
         "\n";
}

/// Every test starts with the product identity set and an empty name table.
class DriverTest : public testing::Test {
protected:
  void SetUp() override {
    setMessageIdentity(QStringLiteral("Corvane Velmora"), QStringLiteral("zeltocov"));
    initNameTable();
  }
  void TearDown() override { freeNameTable(); }

  /// Decodes the words with the program's tables; returns the decoder's result and
  /// keeps what it printed in `printed`.
  int decode(CommandLineDecoder &decoder, std::vector<std::string> words) {
    ArgumentVector args(std::move(words));
    testing::internal::CaptureStderr();
    const int result = decoder.decodeCommandLine(args.argc(), args.argv());
    printed = testing::internal::GetCapturedStderr();
    return result;
  }

  /// Analyses the words into `options`; keeps what was printed in `printed`.
  bool analyse(std::vector<std::string> words) {
    ArgumentVector args(std::move(words));
    testing::internal::CaptureStderr();
    const bool result = analyseOptions(args.argc(), args.argv(), options);
    printed = testing::internal::GetCapturedStderr();
    return result;
  }

  std::string printed;
  ReportOptions options;
};

/// The framed warning line of a text.
inline std::string warning(const std::string &text) {
  return "Corvane Velmora zeltocov - WARNING: " + text + "\n";
}
