// Validation of a section against its source file and the requested types.
#include "fdc_test_helpers.h"

#include <sys/stat.h>
#include <utime.h>

#include "fdc/source_validation.h"

namespace {

class ValidationTest : public FdcTest {
protected:
  /// Messages of loading a section for src/a.c instrumented for `types` at
  /// `sourceTime`, with `requested` types.
  std::string messages(const std::string &types, uint32_t sourceTime, CoverageTypes requested) {
    ++sections;
    testing::internal::CaptureStderr();
    load("a" + std::to_string(sections) + ".fdc",
         "VE 3.0e tok\nFC \"a.c\" \"" + dir.path() + "/src\"\nFD " + std::to_string(sourceTime) +
             "\nTC " + types + "\nPR 0 proc \"f\" 1 1\nDC " + std::to_string(sections) + "\n",
         requested);
    return testing::internal::GetCapturedStderr();
  }
  std::string sourcePath() const { return dir.path() + "/src/a.c"; }

  int sections = 0;
};

TEST_F(ValidationTest, RequestedTypesMissingFromTheSection) {
  EXPECT_EQ(
      messages("AP", 0, 0x0001),
      warningFrame("None of requested coverage types will be computed for file " + sourcePath()));
  EXPECT_EQ(messages("AP", 0, 0x0005),
            warningFrame("Procedures coverage type won't be computed for file " + sourcePath()));
  EXPECT_EQ(messages("AP", 0, 0), "");
  EXPECT_EQ(messages("PR AP", 0, 0x0005), "");
  // The two texts without a placeholder get the path after a blank; the bits
  // without a coverage name give no warning.
  EXPECT_EQ(
      messages("PR", 0, 0x0001 | 0x0010 | 0x0400 | 0x0800 | 0x2000 | 0x4000 | 0x8000),
      warningFrame("Compound conditions coverage type won't be computed for file " + sourcePath()) +
          warningFrame("Basic conditions coverage in expression won't be computed for file " +
                       sourcePath()));
  EXPECT_EQ(
      messages("CO", 0, 0x03FF),
      warningFrame("Procedures coverage type won't be computed for file " + sourcePath()) +
          warningFrame("Procedures and outputs coverage type won't be computed for file " +
                       sourcePath()) +
          warningFrame("Calls coverage type won't be computed for file " + sourcePath()) +
          warningFrame("Simple blocks coverage type won't be computed for file " + sourcePath()) +
          warningFrame("Implicit blocks coverage type won't be computed for file " + sourcePath()) +
          warningFrame("Logical blocks coverage type won't be computed for file " + sourcePath()) +
          warningFrame("Asynchronous transfer blocks coverage type won't be computed for file " +
                       sourcePath()) +
          warningFrame("Modified conditions coverage type won't be computed for file " +
                       sourcePath()));
  // The section is loaded whatever the warnings.
  EXPECT_EQ(model.files().size(), 6u);
}

TEST_F(ValidationTest, SourceTimeAgainstTheFileOnDisk) {
  // No source file: no warning.
  EXPECT_EQ(messages("PR", 1000, 0), "");
  dir.write("src/a.c", "int f;\n");
  utimbuf times{5000, 5000};
  ASSERT_EQ(utime(sourcePath().c_str(), &times), 0);
  EXPECT_EQ(messages("PR", 5000, 0), "");
  EXPECT_EQ(messages("PR", 0, 0), "");
  EXPECT_EQ(messages("PR", 4999, 0),
            warningFrame("Source file touched after instrumentation: " + sourcePath()));
  EXPECT_EQ(messages("PR", 5001, 0), warningFrame("Older version of src file " + sourcePath()));
}

TEST_F(ValidationTest, FileWithoutSourceNameIsAnInternalError) {
  SourceFile file;
  EXPECT_EXIT(ValidateFdcFile(&file, 0), ::testing::ExitedWithCode(9),
              exactly(internalFrame("Bad attempt to validate FDC file")));
}

} // namespace
