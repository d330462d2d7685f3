// Lines, tokens and quoted texts read from files, across block boundaries.
#include "failing_reads.h"
#include "support/block_preparer.h"
#include "support/line_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

class LineReaderTest : public testing::Test {
protected:
  /// Opens `content` in a reader with the given block size, read ahead on a
  /// thread when asked (whatever its size).
  LineReader &openWith(const std::string &content,
                       std::size_t blockSize = LineReader::kDefaultBlockSize,
                       bool readAhead = false) {
    reader_ = std::make_unique<LineReader>(blockSize);
    if (readAhead) reader_->setReadAheadMinimum(0);
    EXPECT_TRUE(reader_->open(dir_.write("input.txt", content).c_str()));
    EXPECT_EQ(reader_->readsAhead(), readAhead);
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
  // Read ahead, a line longer than the room before a block (64 bytes here) goes
  // on in the reader's own buffer, and the next short line back in the blocks.
  const std::string longLine = std::string(3000, 'x') + "\n";
  const std::string content = "NT \"t1\"\nTP 1 2\n\n" + longLine + "a b\r\nlast\n" + longLine +
                              std::string(63, 'y') + "\n" + std::string(64, 'z') + "\nend\n";
  const Strings expected = {"NT \"t1\"\n",
                            "TP 1 2\n",
                            "\n",
                            longLine,
                            "a b\n",
                            "last\n",
                            longLine,
                            std::string(63, 'y') + "\n",
                            std::string(64, 'z') + "\n",
                            "end\n"};
  for (bool readAhead : {false, true})
    for (std::size_t block : {2u, 3u, 5u, 7u, 64u, 1024u, 1u << 20}) {
      SCOPED_TRACE(std::to_string(block) + (readAhead ? " read ahead" : ""));
      EXPECT_EQ(allLines(openWith(content, block, readAhead)), expected);
    }
}

TEST_F(LineReaderTest, ReadAheadHandsOverEveryByteInOrder) {
  // Many lines of every length across many small blocks, and the bytes handed
  // out in bulk (with the NUL after them) taken in between.
  std::string content;
  Strings expected;
  for (int i = 0; i < 3000; ++i) {
    const std::string line =
        std::string(static_cast<std::size_t>(i * 7 % 150), 'a' + i % 26) + "\n";
    content += line;
    expected.push_back(line);
  }
  for (std::size_t block : {60u, 1000u, 4096u}) {
    SCOPED_TRACE(block);
    LineReader &reader = openWith(content, block, true);
    Strings lines;
    for (int i = 0;; ++i) {
      if (i % 5 == 4) {
        // Take the whole lines already buffered, as a scan does.
        const std::string_view bytes = reader.bufferedBytes();
        EXPECT_EQ(bytes.data()[bytes.size()], '\0');
        std::size_t taken = 0;
        for (std::size_t lineFeed; (lineFeed = bytes.find('\n', taken)) != bytes.npos;) {
          lines.emplace_back(bytes.substr(taken, lineFeed + 1 - taken));
          taken = lineFeed + 1;
        }
        reader.skipBytes(taken);
      }
      char *line = reader.readLine();
      if (!line) break;
      lines.emplace_back(line, reader.lineLength());
    }
    EXPECT_EQ(lines, expected);
  }
}

TEST_F(LineReaderTest, FinalLineWithoutLineEndIsNotReturned) {
  EXPECT_EQ(allLines(openWith("one\ntwo")), Strings{"one\n"});
  LineReader &ahead = openWith("one\n" + std::string(100, 't'), 16, true);
  EXPECT_EQ(allLines(ahead), Strings{"one\n"});
  EXPECT_EQ(ahead.finalFragment(), std::string(100, 't'));
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
    LineReader &reader = openWith("DC 1\nab@/RIK x\nVE 3\n", block, block == 4);
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

TEST_F(LineReaderTest, ReadErrorStopsWhereTheReadingMeetsIt) {
  // The read fails inside the third line: the two before it are read, then the
  // reading stops as at an end, with the failure told; read ahead, the thread
  // meets it first, and the reading only when it gets there.
  const std::string content = "first\nsecond\nthird line\nfourth\n" + std::string(5000, 'f');
  for (bool readAhead : {false, true}) {
    SCOPED_TRACE(readAhead ? "read ahead" : "direct");
    reader_ = std::make_unique<LineReader>(4);
    if (readAhead) reader_->setReadAheadMinimum(0);
    reader_->setReadFunction(readFailingAfter);
    readableBytes = 17;
    ASSERT_TRUE(reader_->open(dir_.write("input.txt", content).c_str()));
    EXPECT_EQ(allLines(*reader_), (Strings{"first\n", "second\n"}));
    EXPECT_TRUE(reader_->readFailed());
    EXPECT_EQ(reader_->readLine(), nullptr);
  }
  // Made fatal, the failure ends the run once the lines before it are read.
  for (bool readAhead : {false, true}) {
    EXPECT_EXIT(
        {
          LineReader reader(4);
          if (readAhead) reader.setReadAheadMinimum(0);
          reader.setReadFunction(readFailingAfter);
          readableBytes = 17;
          reader.open(dir_.write("input.txt", content).c_str());
          reader.failOnReadError("input.txt");
          while (char *line = reader.readLine())
            std::fputs(line, stderr);
          std::exit(0);
        },
        testing::ExitedWithCode(7),
        "^first\nsecond\n[^\n]*Cannot read file input.txt: Input/output error")
        << (readAhead ? "read ahead" : "direct");
  }
}

namespace {

/// The thread that runs the test.
std::thread::id testThread;

/// Reads like the line reader, but slowly on any other thread than the test's.
ssize_t readSlowlyAhead(int fd, void *buffer, std::size_t count, off_t offset) {
  if (std::this_thread::get_id() != testThread)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return LineReader::readFile(fd, buffer, count, offset);
}

} // namespace

TEST_F(LineReaderTest, ReadAheadReadsBlocksItselfWhenTheThreadLags) {
  // The thread is slow: the reading takes most blocks itself, some from the
  // thread, and every line still comes once, in order, up to the end.
  testThread = std::this_thread::get_id();
  std::string content;
  Strings expected;
  for (int i = 0; i < 400; ++i) {
    expected.push_back("line " + std::to_string(i) + std::string(i % 90, '.') + "\n");
    content += expected.back();
  }
  reader_ = std::make_unique<LineReader>(128);
  reader_->setReadAheadMinimum(0);
  reader_->setReadFunction(readSlowlyAhead);
  ASSERT_TRUE(reader_->open(dir_.write("input.txt", content).c_str()));
  EXPECT_EQ(allLines(*reader_), expected);
  EXPECT_FALSE(reader_->readFailed());
}

TEST_F(LineReaderTest, ReadAheadStopsWhenClosedEarly) {
  // Closed in the middle of a large file, and reopened on another one.
  std::string content;
  for (int i = 0; i < 20000; ++i)
    content += "TB " + std::to_string(i) + "\n";
  LineReader reader(256);
  reader.setReadAheadMinimum(0);
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(reader.open(dir_.write("big" + std::to_string(round) + ".txt", content).c_str()));
    EXPECT_TRUE(reader.readsAhead());
    for (int i = 0; i < 10 * round; ++i)
      ASSERT_NE(reader.readLine(), nullptr);
    if (round > 0) {
      EXPECT_STREQ(reader.line(), ("TB " + std::to_string(10 * round - 1) + "\n").c_str());
    }
    reader.close();
  }
}

TEST_F(LineReaderTest, ReadAheadBlocksKeptFromFileToFileHoldOnlyTheCurrentFile) {
  // One reader reads files of different contents and lengths in a row, in the
  // same blocks, then in blocks of another size: no byte of an earlier file shows
  // through in a later one (a shorter file, a line cut at a block's end).
  LineReader reader(256);
  reader.setReadAheadMinimum(0);
  const std::size_t blockSizes[] = {256, 256, 256, 100, 100};
  for (int round = 0; round < 5; ++round) {
    reader.setBlockSize(blockSizes[round]);
    Strings expected;
    std::string content;
    const int lines = round % 2 ? 40 : 700;
    for (int i = 0; i < lines; ++i) {
      expected.push_back(std::string(1, static_cast<char>('a' + round)) + " " +
                         std::string(static_cast<std::size_t>((i * 13 + round) % 97), 'x') + "\n");
      content += expected.back();
    }
    SCOPED_TRACE(round);
    ASSERT_TRUE(reader.open(dir_.write("f" + std::to_string(round) + ".txt", content).c_str()));
    EXPECT_TRUE(reader.readsAhead());
    EXPECT_EQ(allLines(reader), expected);
  }
}

TEST_F(LineReaderTest, NextFileReadAheadGoesOnlyToItsOwnPreparer) {
  // Notes the slots it prepared, and how often it was called.
  struct Recording final : BlockPreparer {
    void prepare(int slot, const char *, std::size_t) override {
      preparedSlots |= 1u << slot;
      ++calls;
    }
    std::atomic<unsigned> preparedSlots{0};
    std::atomic<int> calls{0};
  };
  std::string text;
  for (int i = 0; i < 2000; ++i)
    text += "line " + std::to_string(i) + "\n";
  const std::string a = dir_.write("a.txt", text);
  const std::string b = dir_.write("b.txt", text);
  Recording first, second;
  LineReader reader(256);
  reader.setReadAheadMinimum(0);
  reader.setBlockPreparer(&first);
  ASSERT_TRUE(reader.open(a.c_str()));
  reader.prepareNext(b.c_str());
  EXPECT_EQ(allLines(reader).size(), 2000u);
  // Another preparer from now on: the next file read ahead for the first one is
  // read again, its blocks prepared by the second one only.
  reader.setBlockPreparer(&second);
  ASSERT_TRUE(reader.open(b.c_str()));
  const int callsOfFirst = first.calls;
  std::size_t lines = 0;
  while (reader.readLine()) {
    ++lines;
    if (reader.preparedSlot() >= 0) {
      EXPECT_TRUE(second.preparedSlots >> reader.preparedSlot() & 1u) << "line " << lines;
    }
  }
  EXPECT_EQ(lines, 2000u);
  EXPECT_EQ(first.calls, callsOfFirst);
}

TEST_F(LineReaderTest, NextFileReadAheadIsTakenOverOnlyByItsOwnOpen) {
  auto content = [](char letter, int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i)
      text += std::string(1, letter) + " " + std::to_string(i) + std::string(i % 50, '.') + "\n";
    return text;
  };
  const std::string a = dir_.write("a.txt", content('a', 500));
  const std::string b = dir_.write("b.txt", content('b', 300));
  const std::string c = dir_.write("c.txt", content('c', 200));
  LineReader reader(128);
  reader.setReadAheadMinimum(0);
  // The next file read ahead while the current one is read, then opened: its
  // lines come whole and in order, and the one after it too.
  ASSERT_TRUE(reader.open(a.c_str()));
  reader.prepareNext(b.c_str());
  EXPECT_EQ(allLines(reader).size(), 500u);
  ASSERT_TRUE(reader.open(b.c_str()));
  EXPECT_TRUE(reader.readsAhead());
  reader.prepareNext(c.c_str());
  const Strings linesOfB = allLines(reader);
  ASSERT_EQ(linesOfB.size(), 300u);
  EXPECT_EQ(linesOfB.front(), "b 0\n");
  EXPECT_EQ(linesOfB.back(), "b 299" + std::string(299 % 50, '.') + "\n");
  ASSERT_TRUE(reader.open(c.c_str()));
  EXPECT_EQ(allLines(reader).size(), 200u);
  // Another file opened instead: the one prepared is dropped, the other read.
  reader.prepareNext(b.c_str());
  ASSERT_TRUE(reader.open(a.c_str()));
  const Strings linesOfA = allLines(reader);
  ASSERT_EQ(linesOfA.size(), 500u);
  EXPECT_EQ(linesOfA.front(), "a 0\n");
  // A file prepared but never opened is stopped and closed with the reader, and
  // a missing one is left to its open, which fails.
  reader.prepareNext(c.c_str());
  reader.prepareNext((dir_.path() + "/missing.txt").c_str());
  // A FIFO with no writer is not waited for.
  const std::string fifo = dir_.path() + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  reader.prepareNext(fifo.c_str());
  EXPECT_FALSE(reader.open((dir_.path() + "/missing.txt").c_str()));
  reader.prepareNext(b.c_str());
}
