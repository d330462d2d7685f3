// Output streams whose failures are never silent.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/output_stream.h"
#include "test_support.h"

namespace {

TEST(OutputStream, AWriteThatFailedIsFatalWhenTheFileIsClosed) {
  EXPECT_EXIT(
      {
        std::FILE *full = std::fopen("/dev/full", "w");
        std::fputs("a report\n", full);
        closeOutput(full, QStringLiteral("report.txt"));
        std::exit(0);
      },
      ::testing::ExitedWithCode(7),
      "FATAL ERROR: Cannot write file report.txt: No space left on device");
}

TEST(OutputStream, WritesThatReachedTheFileCloseQuietly) {
  TempDir dir;
  const std::string path = dir.path() + "/out.txt";
  std::FILE *file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fputs("kept\n", file);
  QString reason;
  EXPECT_TRUE(closeOutputChecked(file, &reason));
  EXPECT_TRUE(reason.isEmpty());
  EXPECT_EQ(readFile(path), "kept\n");

  std::FILE *full = std::fopen("/dev/full", "w");
  std::fputs("lost\n", full);
  EXPECT_FALSE(closeOutputChecked(full, &reason));
  EXPECT_EQ(reason.toStdString(), "No space left on device");
}

} // namespace
