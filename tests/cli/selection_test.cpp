// Selection filters over the marks left by option analysis.
#include "cli/report_options.h"
#include "cli/selection.h"
#include "driver_test_support.h"

namespace {

class SelectionTest : public DriverTest {
protected:
  void TearDown() override {
    releaseOptions(options);
    DriverTest::TearDown();
  }
};

TEST_F(SelectionTest, EverythingIsSelectedWithoutSelectionOptions) {
  ASSERT_TRUE(analyse({"a"}));
  EXPECT_TRUE(isFileSelected("src/a.c", options));
  EXPECT_TRUE(isFileSelected("", options));
  EXPECT_TRUE(isFileSelected(nullptr, options));
  EXPECT_TRUE(GetServiceAuth(internName("f"), options));
  EXPECT_TRUE(isTestSelected(internName("t"), options));
  EXPECT_TRUE(isTestSelected(nullptr, options));
}

TEST_F(SelectionTest, IncludedFilesAreFoundWhateverTheirCaseAndDirectory) {
  ASSERT_TRUE(analyse({"a", "-FILE=a.c"}));
  EXPECT_TRUE(isFileSelected("A.C", options));
  EXPECT_TRUE(isFileSelected("a.c", options));
  EXPECT_TRUE(isFileSelected("/src/lib/a.c", options));
  EXPECT_FALSE(isFileSelected("b.c", options));
  EXPECT_FALSE(isFileSelected("", options));
  EXPECT_FALSE(isFileSelected("src/", options));
  // Looking a name up interns its key without flags.
  EXPECT_TRUE(findName("B.C").found);
  EXPECT_EQ(internName("B.C")->flags, 0u);
}

TEST_F(SelectionTest, ExcludedFilesAndFilesWithoutName) {
  ASSERT_TRUE(analyse({"a", "-EXFILE=a.c"}));
  EXPECT_FALSE(isFileSelected("dir/A.c", options));
  EXPECT_TRUE(isFileSelected("b.c", options));
  EXPECT_TRUE(isFileSelected("", options));
}

TEST_F(SelectionTest, IncludeMarkWinsOverExcludeMark) {
  ASSERT_TRUE(analyse({"a", "-FILE=a.c"}));
  internName("A.C")->flags |= InExFileList;
  EXPECT_TRUE(isFileSelected("a.c", options));
}

TEST_F(SelectionTest, ServicesAreMatchedWithTheirCase) {
  ASSERT_TRUE(analyse({"a", "-SERVICE=f"}));
  EXPECT_TRUE(GetServiceAuth(internName("f"), options));
  EXPECT_FALSE(GetServiceAuth(internName("F"), options));
  releaseOptions(options);
  options = ReportOptions{};
  ASSERT_TRUE(analyse({"a", "-EXSERVICE=g"}));
  EXPECT_FALSE(GetServiceAuth(internName("g"), options));
  EXPECT_TRUE(GetServiceAuth(internName("h"), options));
}

TEST_F(SelectionTest, TestsWithAndWithoutName) {
  ASSERT_TRUE(analyse({"a", "-NOGLOBAL", "-TEST=t1"}));
  EXPECT_TRUE(isTestSelected(internName("t1"), options));
  EXPECT_FALSE(isTestSelected(internName("t2"), options));
  EXPECT_FALSE(isTestSelected(nullptr, options));
  releaseOptions(options);
  options = ReportOptions{};
  ASSERT_TRUE(analyse({"a", "-NOGLOBAL", "-EXTEST=t3"}));
  EXPECT_FALSE(isTestSelected(internName("t3"), options));
  EXPECT_TRUE(isTestSelected(nullptr, options));
}

TEST_F(SelectionTest, ServiceWithoutNameIsAnInternalError) {
  EXPECT_EXIT(GetServiceAuth(nullptr, options), testing::ExitedWithCode(9),
              "Corvane Velmora zeltocov - INTERNAL ERROR: Cannot get service name in "
              "GetServiceAuth\\(\\)\n\n");
}

} // namespace
