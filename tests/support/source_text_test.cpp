// Source files read whole for the listings and the file pages.
#include "support/source_text.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace {

std::size_t openDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

TEST(SourceTextTest, ARegularFileIsReadWholeAsItIs) {
  TempDir dir;
  // Bytes of every kind, no final line end, longer than one read block.
  std::string content(200000, 'x');
  content[10] = '\0';
  content[11] = '\r';
  content[12] = '\n';
  content.back() = '\xFF';
  const SourceText text = readSourceText(dir.write("a.c", content));
  EXPECT_EQ(text.status, SourceTextStatus::Read);
  EXPECT_EQ(text.bytes, content);

  const SourceText empty = readSourceText(dir.write("empty.c", ""));
  EXPECT_EQ(empty.status, SourceTextStatus::Read);
  EXPECT_TRUE(empty.bytes.empty());
}

TEST(SourceTextTest, AFileThatCannotBeOpenedIsMissing) {
  TempDir dir;
  EXPECT_EQ(readSourceText(dir.path() + "/gone.c").status, SourceTextStatus::Missing);
  EXPECT_EQ(readSourceText(dir.path() + "/nowhere/gone.c").status, SourceTextStatus::Missing);
  EXPECT_EQ(readSourceText("").status, SourceTextStatus::Missing);
}

TEST(SourceTextTest, WhatIsNotARegularFileIsNotRead) {
  TempDir dir;
  // A FIFO without a writer: opening it must not wait for one.
  const std::string fifo = dir.path() + "/fifo.c";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::size_t before = openDescriptors();
  for (const std::string &path : {fifo, std::string("/dev/zero"), dir.path()}) {
    const SourceText text = readSourceText(path);
    EXPECT_EQ(text.status, SourceTextStatus::NotRegular) << path;
    EXPECT_TRUE(text.bytes.empty()) << path;
  }
  // Nor is a descriptor left open behind.
  readSourceText(dir.write("a.c", "int a;\n"));
  readSourceText(dir.path() + "/gone.c");
  EXPECT_EQ(openDescriptors(), before);
}

} // namespace
