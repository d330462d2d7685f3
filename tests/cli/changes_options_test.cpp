// -CHANGES, -AFFECTED and the gate on the changed lines, as the command line
// gives them.
#include "driver_test_support.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cli/coverage_thresholds.h"

namespace {

class ChangesOptionsTest : public DriverTest {
protected:
  void SetUp() override {
    DriverTest::SetUp();
    folder = std::filesystem::temp_directory_path() /
             ("zeltocov_changes_" + std::to_string(::getpid()) + "_" +
              testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    releaseOptions(options);
    std::filesystem::remove_all(folder);
    DriverTest::TearDown();
  }
  std::string write(const std::string &name, const std::string &text) {
    const std::string path = (folder / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  std::filesystem::path folder;
};

TEST_F(ChangesOptionsTest, TheDiffIsReadWithTheCommandLine) {
  const std::string diff = write("c.diff", "--- a/c.c\n+++ b/c.c\n@@ -1 +1,2 @@\n a\n+b\n");
  ASSERT_TRUE(analyse({"a.fdc", "-CH=" + diff, "-AFF=t.txt", "-FAILUNDER=CHANGED:80,BLOCK:1"}))
      << printed;
  EXPECT_EQ(printed, "");
  EXPECT_EQ(options.changesFile, std::optional<std::string>(diff));
  EXPECT_EQ(options.affectedFile, std::optional<std::string>("t.txt"));
  ASSERT_TRUE(options.changes);
  ASSERT_EQ(options.changes->files.size(), 1u);
  EXPECT_EQ(options.changes->files[0].lines, (std::vector<uint32_t>{2}));
  ASSERT_EQ(options.coverageThresholds.size(), 2u);
  EXPECT_EQ(options.coverageThresholds[0].type, nullptr);
  EXPECT_EQ(options.coverageThresholds[0].percentText, "80");

  // An empty diff changes nothing and is valid.
  releaseOptions(options);
  options = ReportOptions{};
  ASSERT_TRUE(analyse({"a.fdc", "-CHANGES=" + write("empty.diff", "")})) << printed;
  ASSERT_TRUE(options.changes);
  EXPECT_TRUE(options.changes->files.empty());
  // Without the option there is no diff.
  ASSERT_TRUE(analyse({"a.fdc"}));
  EXPECT_FALSE(options.changes || options.changesFile || options.affectedFile);
  for (const char *name : {"CHANGES", "AFFECTED"})
    EXPECT_EQ(std::string(kReportUsage).find(name), std::string::npos) << name;
}

TEST_F(ChangesOptionsTest, ADiffThatCannotBeReadIsACommandLineError) {
  const std::string bad = write("bad.diff", "--- a/c.c\n+++ b/c.c\n@@ -1,2 +1,2 @@\n a\nxyz\n");
  EXPECT_FALSE(analyse({"a.fdc", "-CHANGES=" + bad}));
  EXPECT_NE(printed.find("Line 5 of the diff file " + bad + " is not part of a unified diff: xyz"),
            std::string::npos)
      << printed;
  EXPECT_FALSE(options.changes);

  const std::string missing = (folder / "missing.diff").string();
  EXPECT_FALSE(analyse({"a.fdc", "-CHANGES=" + missing}));
  EXPECT_NE(printed.find("Cannot read the diff file " + missing), std::string::npos) << printed;
}

TEST_F(ChangesOptionsTest, TheTestsOfAChangeAndItsGateNeedTheDiff) {
  EXPECT_FALSE(analyse({"a.fdc", "-AFFECTED=t.txt"}));
  EXPECT_NE(printed.find("-AFFECTED needs -CHANGES=<diff file>"), std::string::npos) << printed;
  EXPECT_FALSE(analyse({"a.fdc", "-FAILUNDER=BLOCK:1,CHANGED:80"}));
  EXPECT_NE(printed.find("-FAILUNDER=CHANGED needs -CHANGES=<diff file>"), std::string::npos)
      << printed;
  EXPECT_FALSE(analyse({"a.fdc", "-CHANGES"}));
  EXPECT_EQ(printed, decoderMessage("Mandatory argument for this option,", "CHANGES"));
}

} // namespace
