// A source read line by line for a page: lines cut at line feeds (a carriage
// return before one goes with it), a last line without line feed, lines longer
// than a read, a second pass from the start, and what is not a regular file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "html/source_lines.h"
#include "test_support.h"

namespace {

std::vector<std::string> allLines(SourceLines &source) {
  std::vector<std::string> lines;
  std::string_view line;
  while (source.next(line))
    lines.emplace_back(line);
  return lines;
}

TEST(SourceLinesTest, LinesOfAnyLengthTwiceOver) {
  TempDir dir;
  const std::string longLine(600 * 1024, 'x');
  dir.write("s.c", "one\r\ntwo\r\r\n\n" + longLine + "\nlast\r");
  SourceLines source;
  ASSERT_EQ(source.open(dir.path() + "/s.c"), SourceTextStatus::Read);
  const std::vector<std::string> expected{"one", "two\r", "", longLine, "last\r"};
  EXPECT_EQ(allLines(source), expected);
  EXPECT_FALSE(source.failed());
  ASSERT_TRUE(source.rewind());
  EXPECT_EQ(allLines(source), expected);

  dir.write("e.c", "");
  SourceLines empty;
  ASSERT_EQ(empty.open(dir.path() + "/e.c"), SourceTextStatus::Read);
  EXPECT_TRUE(allLines(empty).empty());
}

TEST(SourceLinesTest, WhatIsNotARegularFileIsNotRead) {
  TempDir dir;
  SourceLines missing;
  EXPECT_EQ(missing.open(dir.path() + "/none.c"), SourceTextStatus::Missing);
  SourceLines folder;
  EXPECT_EQ(folder.open(dir.path()), SourceTextStatus::NotRegular);
  const std::string fifo = dir.path() + "/fifo.c";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  SourceLines pipe;
  // Without a writer: answered at once, nothing read.
  EXPECT_EQ(pipe.open(fifo), SourceTextStatus::NotRegular);
}

} // namespace
