// Lines, tokens and quoted texts read from files, across block boundaries.
#include "support/line_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class LineReaderTest : public testing::Test {
protected:
  /// Opens `content` in a reader with the given block size.
  LineReader &openWith(const std::string &content,
                       std::size_t blockSize = LineReader::kDefaultBlockSize) {
    reader_ = std::make_unique<LineReader>(blockSize);
    EXPECT_TRUE(reader_->open(dir_.write("input.txt", content).c_str()));
    return *reader_;
  }

  /// Every line the reader returns, as texts.
  static std::vector<std::string> allLines(LineReader &reader) {
    std::vector<std::string> lines;
    while (char *line = reader.readLine()) {
      EXPECT_EQ(line[reader.lineLength()], '\0');
      lines.emplace_back(line, reader.lineLength());
    }
    return lines;
  }

  /// The tokens of the current line until the first null.
  static std::vector<std::string> tokens(LineReader &reader) {
    std::vector<std::string> result;
    while (const char *token = reader.nextToken())
      result.emplace_back(token);
    return result;
  }

  TempDir dir_;
  std::unique_ptr<LineReader> reader_;
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(LineReaderTest, LinesSurviveEveryBlockSize) {
  const std::string longLine = std::string(3000, 'x') + "\n";
  const std::string content = "NT \"t1\"\nTP 1 2\n\n" + longLine + "a b\r\nlast\n";
  const Strings expected = {"NT \"t1\"\n", "TP 1 2\n", "\n", longLine, "a b\n", "last\n"};
  for (std::size_t block : {2u, 3u, 5u, 7u, 64u, 1024u, 1u << 20}) {
    SCOPED_TRACE(block);
    EXPECT_EQ(allLines(openWith(content, block)), expected);
  }
}

TEST_F(LineReaderTest, FinalLineWithoutLineEndIsNotReturned) {
  EXPECT_EQ(allLines(openWith("one\ntwo")), Strings{"one\n"});
  EXPECT_EQ(allLines(openWith("one\ntwo\r", 2)), Strings{"one\n"});
  EXPECT_EQ(allLines(openWith("")), Strings{});
  LineReader &reader = openWith("x");
  EXPECT_EQ(reader.readLine(), nullptr);
  EXPECT_EQ(reader.line(), nullptr);
  EXPECT_EQ(reader.readLine(), nullptr);
}

TEST_F(LineReaderTest, TokensFollowTheSpaceAndLineEndRules) {
  LineReader &reader = openWith("TP  1a\t2 ff\nAB \r\nAB\r\nX\rY Z\n");
  reader.readLine();
  EXPECT_EQ(tokens(reader), (Strings{"TP", "1a\t2", "ff"}));
  EXPECT_EQ(reader.nextToken(), nullptr);
  reader.readLine();
  EXPECT_EQ(tokens(reader), (Strings{"AB", ""})); // blanks before the end: one empty token
  reader.readLine();
  EXPECT_EQ(tokens(reader), Strings{"AB"});
  reader.readLine();
  EXPECT_EQ(tokens(reader), Strings{"X"}); // a lone CR ends the line's tokens
}

TEST_F(LineReaderTest, NulEndsTheTextOfALine) {
  LineReader &reader = openWith(std::string("XY AB\0CD EF\nnext\n", 17));
  reader.readLine();
  EXPECT_EQ(reader.lineLength(), 12u);
  EXPECT_EQ(tokens(reader), Strings{"XY"}); // AB runs into the NUL: absent
  EXPECT_EQ(reader.nextToken(), nullptr);
  std::string quoted;
  EXPECT_FALSE(reader.nextQuotedText(quoted));
  ASSERT_NE(reader.readLine(), nullptr);
  EXPECT_EQ(tokens(reader), Strings{"next"});
}

TEST_F(LineReaderTest, QuotedTextsUndoOnlyBackslashAndQuoteEscapes) {
  LineReader &reader =
      openWith("FC \"a b\" \"x\\\"y\\\\z\\n\" tail\n\"end\"\n\"end2\"\r\n\"\\\"\"\n");
  reader.readLine();
  std::string text;
  EXPECT_STREQ(reader.nextToken(), "FC");
  ASSERT_TRUE(reader.nextQuotedText(text));
  EXPECT_EQ(text, "\"a b\"");
  ASSERT_TRUE(reader.nextQuotedText(text));
  EXPECT_EQ(text, "\"x\"y\\z\\n\"");
  EXPECT_EQ(tokens(reader), Strings{"tail"});
  for (const char *expected : {"\"end\"", "\"end2\"", "\"\"\""}) {
    reader.readLine();
    ASSERT_TRUE(reader.nextQuotedText(text)) << expected;
    EXPECT_EQ(text, expected);
    EXPECT_EQ(reader.nextToken(), nullptr) << expected;
  }
}

TEST_F(LineReaderTest, FailedQuotedTextLeavesThePlainToken) {
  LineReader &reader = openWith("  \"abc\n\"ab\"c d\n\"ab\\\nxyz next\n");
  std::string text = "unchanged";
  reader.readLine();
  EXPECT_FALSE(reader.nextQuotedText(text)); // never closed on its line
  EXPECT_EQ(text, "unchanged");
  EXPECT_EQ(tokens(reader), Strings{"\"abc"});
  reader.readLine();
  EXPECT_FALSE(reader.nextQuotedText(text)); // closing quote glued to more text
  EXPECT_EQ(tokens(reader), (Strings{"\"ab\"c", "d"}));
  reader.readLine();
  EXPECT_FALSE(reader.nextQuotedText(text)); // a backslash does not protect the line end
  reader.readLine();
  EXPECT_FALSE(reader.nextQuotedText(text)); // no quote before the space
  EXPECT_EQ(tokens(reader), (Strings{"xyz", "next"}));
}

TEST_F(LineReaderTest, ReadCharContinuesAfterTheCurrentLine) {
  for (std::size_t block : {2u, 4u, 1u << 20}) {
    SCOPED_TRACE(block);
    LineReader &reader = openWith("DC 1\nab@/RIK x\nVE 3\n", block);
    ASSERT_NE(reader.readLine(), nullptr);
    EXPECT_STREQ(reader.nextToken(), "DC");
    std::string scanned;
    for (int c; (c = reader.readChar()) != '\n';)
      scanned.push_back(static_cast<char>(c));
    EXPECT_EQ(scanned, "ab@/RIK x");
    ASSERT_NE(reader.readLine(), nullptr);
    EXPECT_EQ(tokens(reader), (Strings{"VE", "3"}));
    EXPECT_EQ(reader.readChar(), EOF);
    EXPECT_EQ(reader.readLine(), nullptr);
  }
}

TEST_F(LineReaderTest, MissingFileDoesNotOpen) {
  LineReader reader;
  EXPECT_FALSE(reader.open((dir_.path() + "/missing.tio").c_str()));
  EXPECT_FALSE(reader.isOpen());
  EXPECT_EQ(reader.readLine(), nullptr);
  EXPECT_EQ(reader.readChar(), EOF);
}
