// Lines, opcodes and parameters of trace files.
#include <gtest/gtest.h>

#include <cstdlib>

#include "test_support.h"
#include "trace/tio_line_parser.h"

namespace {

class TioLineParserTest : public ::testing::Test {
protected:
  /// Opens a trace file holding `content` and reads its first line.
  TioLineParser &parse(const std::string &content) {
    const std::string path = dir_.write("t.tio", content);
    parser_.open(InputFile{path, path});
    EXPECT_TRUE(parser_.nextLine());
    return parser_;
  }

  TempDir dir_;
  TioLineParser parser_;
};

TEST(TioOpcode, RecognisesTheTenOpcodesAsWholeCaseSensitiveWords) {
  const char *names[] = {"NT", "DT", "CO", "FT", "DC", "TP", "TA", "TB", "TE", "EI"};
  for (int index = 0; index < 10; ++index)
    EXPECT_EQ(recognizeOpcode(names[index]), index);
  for (const char *other : {"NTX", "nt", "N", "", "TP\t5", "TX", "XT", "EE", "DD"})
    EXPECT_EQ(recognizeOpcode(other), OpUnknown) << other;
  EXPECT_EQ(recognizeOpcode(nullptr), OpAbsent);
}

TEST_F(TioLineParserTest, HitParametersAreReversedHexadecimal) {
  TioLineParser &parser = parse("TP c21\nTB 5 a\nTB 5\nTB 5 3\nTE 7 \n");
  EXPECT_EQ(parser.opcode(), OpTP);
  EXPECT_EQ(parser.readNumber(), 0x12Cu);
  ASSERT_TRUE(parser.nextLine());
  EXPECT_EQ(parser.readNumber(), 5u);
  EXPECT_EQ(parser.readHitCount(true), 10u);
  ASSERT_TRUE(parser.nextLine());
  EXPECT_EQ(parser.readNumber(), 5u);
  EXPECT_EQ(parser.readHitCount(true), 1u) << "an absent count counts 1";
  ASSERT_TRUE(parser.nextLine());
  EXPECT_EQ(parser.readNumber(), 5u);
  EXPECT_EQ(parser.readHitCount(false), 1u) << "the count is read only for counted tests";
  ASSERT_TRUE(parser.nextLine());
  EXPECT_EQ(parser.readNumber(), 7u);
  EXPECT_EQ(parser.readHitCount(true), 0u) << "a trailing blank gives an empty count";
  EXPECT_FALSE(parser.nextLine());
}

TEST_F(TioLineParserTest, TestStartParameters) {
  TioLineParser &parser = parse("NT \"a b\" 1 0\nNT 2\nNT\nNT \"a\\\"b\\\\\" c\nNT \"\" 5\n");
  NameEntry *defaultName = internName("#");
  TestStartLine line = parser.readTestStart();
  ASSERT_NE(line.name, nullptr);
  EXPECT_STREQ(line.name->text, "a b");
  EXPECT_EQ(line.number, 1u);
  EXPECT_TRUE(line.hasGroup);
  EXPECT_EQ(line.group, 0u);
  EXPECT_EQ(testNameOf(line, defaultName), line.name);

  ASSERT_TRUE(parser.nextLine());
  line = parser.readTestStart();
  EXPECT_EQ(line.name, nullptr);
  ASSERT_NE(line.numberText, nullptr);
  EXPECT_EQ(line.number, 2u);
  EXPECT_FALSE(line.hasGroup);
  EXPECT_STREQ(testNameOf(line, defaultName)->text, "2");

  ASSERT_TRUE(parser.nextLine());
  line = parser.readTestStart();
  EXPECT_EQ(line.name, nullptr);
  EXPECT_EQ(line.numberText, nullptr);
  EXPECT_EQ(testNameOf(line, defaultName), defaultName);

  ASSERT_TRUE(parser.nextLine());
  line = parser.readTestStart();
  ASSERT_NE(line.name, nullptr);
  EXPECT_STREQ(line.name->text, "a\"b\\");
  EXPECT_EQ(line.number, 0xCu);

  ASSERT_TRUE(parser.nextLine());
  line = parser.readTestStart();
  EXPECT_EQ(line.name, nullptr) << "an empty quoted name is no name";
  EXPECT_EQ(line.number, 5u);
}

TEST_F(TioLineParserTest, MalformedQuotedNameIsReadAsPlainTokens) {
  TioLineParser &parser = parse("NT ab\"c\"d 1\n");
  EXPECT_EXIT(parser.readTestStart(), ::testing::ExitedWithCode(7),
              "Bad hexadecimal number while reading file .*t.tio: ab\"c\"d");
}

TEST_F(TioLineParserTest, DatesInBothForms) {
  setenv("TZ", "UTC", 1);
  tzset();
  TioLineParser &parser = parse("DT \"a\\\"b\"\nDT 0\nDT ffffffff\nDT 1b15ba54\nDT 1b22e954\n");
  NameEntry *date = parser.readDate();
  ASSERT_NE(date, nullptr);
  EXPECT_STREQ(date->text, "a") << "the date ends at the first quote of the value";
  ASSERT_TRUE(parser.nextLine());
  EXPECT_EQ(parser.readDate(), nullptr);
  ASSERT_TRUE(parser.nextLine());
  EXPECT_EQ(parser.readDate(), nullptr) << "a negative time is no date";
  ASSERT_TRUE(parser.nextLine());
  date = parser.readDate();
  ASSERT_NE(date, nullptr);
  EXPECT_STREQ(date->text, "Mon Jan 15 10:04:33 2007");
  ASSERT_TRUE(parser.nextLine());
  date = parser.readDate();
  ASSERT_NE(date, nullptr);
  EXPECT_STREQ(date->text, "Fri Jan  5 10:04:33 2007");
}

TEST_F(TioLineParserTest, DateWithoutParameterIsFatal) {
  TioLineParser &parser = parse("DT\n");
  EXPECT_EXIT(parser.readDate(), ::testing::ExitedWithCode(7),
              "Null pointer for time while reading file .*t.tio");
}

TEST_F(TioLineParserTest, FilePartNeedsItsDcLine) {
  TioLineParser &parser = parse("FT 21\nDC ff\n");
  FilePartId part = parser.readFilePart();
  EXPECT_EQ(part.fileKey, 0x12u);
  EXPECT_EQ(part.checksum, 0xFFu);

  TioLineParser &last = parse("FT 1\n");
  EXPECT_EXIT(last.readFilePart(), ::testing::ExitedWithCode(7), "No DC line in TIO file .*t.tio");
  TioLineParser &other = parse("FT 1\nTP 1\n");
  EXPECT_EXIT(other.readFilePart(), ::testing::ExitedWithCode(7),
              "DC line missing after FT line in TIO file .*t.tio");
}

TEST_F(TioLineParserTest, LineRules) {
  // CR LF is one line end; a NUL byte cuts the first token; a last line without
  // line end is not read.
  static const char kContent[] = "TB 1\r\nN\0T\nEI 02\nTB 2";
  TioLineParser &parser = parse(std::string(kContent, sizeof kContent - 1));
  EXPECT_EQ(parser.opcode(), OpTB);
  EXPECT_EQ(parser.readNumber(), 1u);
  EXPECT_EQ(parser.readHitCount(true), 1u) << "the CR is no token";
  ASSERT_TRUE(parser.nextLine());
  EXPECT_EQ(parser.opcode(), OpAbsent);
  ASSERT_TRUE(parser.nextLine());
  EXPECT_EQ(parser.opcode(), OpEI);
  EXPECT_FALSE(parser.nextLine());
}

TEST_F(TioLineParserTest, ExecutionErrorTexts) {
  TioLineParser &parser = parse("EI 02\nEI 13\nEI 23\nEI 1\n");
  ::testing::internal::CaptureStderr();
  parser.reportExecutionError();
  for (int line = 0; line < 3; ++line) {
    ASSERT_TRUE(parser.nextLine());
    parser.reportExecutionError();
  }
  const std::string err = ::testing::internal::GetCapturedStderr();
  const char *texts[] = {
      "a source object was not linked with the right runtime object (check instrumentation mode)",
      "a composition of conditions evaluates in an unexpected result, contact your vendor",
      "a composition of conditions reached with an unexpected input vector, contact your vendor",
      "unknown error opcode"};
  std::size_t from = 0;
  for (const char *text : texts) {
    const std::size_t at =
        err.find(std::string("Error detected during execution:\n-> ") + text, from);
    EXPECT_NE(at, std::string::npos) << text << "\nin: " << err;
    from = at == std::string::npos ? from : at;
  }
}

TEST_F(TioLineParserTest, UnknownOpcodeNamesTheToken) {
  TioLineParser &parser = parse("XY 1\n");
  EXPECT_EQ(parser.opcode(), OpUnknown);
  EXPECT_EXIT(
      parser.reportUnknownOpcode(true), ::testing::ExitedWithCode(7),
      "Unknown opcode in trace file .*t.tio: XY\nDescription:\n The TIO file is quite easy");
}

TEST_F(TioLineParserTest, UnopenableFileIsFatal) {
  const std::string missing = dir_.path() + "/missing.tio";
  EXPECT_EXIT(parser_.open(InputFile{missing, missing}), ::testing::ExitedWithCode(7),
              "Cannot open trace file .*missing.tio");
}

TEST_F(TioLineParserTest, AReadErrorIsFatalNotTheEndOfTheFile) {
  // A directory opens for reading but every read of it fails.
  EXPECT_EXIT(
      {
        parser_.open(InputFile{"run.tio", dir_.path()});
        parser_.nextLine();
      },
      ::testing::ExitedWithCode(7), "FATAL ERROR: Cannot read file run.tio: Is a directory");
}

TEST_F(TioLineParserTest, ALineOverTheLongestAcceptedStopsTheReading) {
  TioLineParser &parser = parse("NT\n");
  EXPECT_FALSE(parser.lineTooLong());
  const std::string path = dir_.write("long.tio", "NT\n" + std::string(200, 'x') + "\nTP 0\n");
  TioLineParser longLines;
  longLines.open(InputFile{path, path});
  longLines.setMaxLineLength(100);
  EXPECT_TRUE(longLines.nextLine());
  EXPECT_FALSE(longLines.nextLine());
  EXPECT_TRUE(longLines.lineTooLong());
}

} // namespace
