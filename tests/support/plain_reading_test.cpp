// The switch of the plain reading: which values set it, and that a reader then
// reads a large file without a thread reading ahead.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/line_reader.h"
#include "support/plain_reading.h"
#include "test_support.h"

namespace {

using ::testing::ExitedWithCode;

TEST(PlainReading, OnlyThePlainValueSetsIt) {
  EXPECT_TRUE(asksPlainReading("plain"));
  for (const char *other : {"", "PLAIN", "plain ", "avx2", "1"})
    EXPECT_FALSE(asksPlainReading(other)) << other;
  EXPECT_FALSE(asksPlainReading(nullptr));
}

/// Whether a reader made with the switch set or not reads a large file ahead.
bool readsAhead(bool plain) {
  if (plain)
    setenv(kPlainReadingVariable, kPlainReadingValue, 1);
  else
    unsetenv(kPlainReadingVariable);
  TempDir dir;
  const std::string path =
      dir.write("large.tio", std::string(LineReader::kReadAheadMinimum, 'x') + "\n");
  LineReader reader;
  return reader.open(path.c_str()) && reader.readsAhead();
}

TEST(PlainReading, LargeFilesAreNotReadAhead) {
  // The switch is read once per process: each setting in a fresh one.
  const std::string style = GTEST_FLAG_GET(death_test_style);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(readsAhead(true) ? 1 : 0), ExitedWithCode(0), "") << "plain";
  EXPECT_EXIT(std::exit(readsAhead(false) ? 0 : 1), ExitedWithCode(0), "") << "not plain";
  GTEST_FLAG_SET(death_test_style, style);
}

} // namespace
