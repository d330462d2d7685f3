// The guard of outputs: no output may be an input, nor two outputs one file, even
// through links to folders; listings of one name and devices may be named again.
#include "support/messages.h"
#include "support/output_guard.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using testing::ExitedWithCode;

namespace {

/// A folder `out` and a link `lnk` to it.
std::string folderWithLink(const TempDir &dir) {
  std::filesystem::create_directory(dir.path() + "/out");
  const std::string link = dir.path() + "/lnk";
  if (::symlink("out", link.c_str()) != 0) return std::string();
  return link;
}

} // namespace

TEST(OutputGuardDeathTest, TwoOutputsNamingOneNewFileThroughAFolderLinkAreFatal) {
  TempDir dir;
  ASSERT_FALSE(folderWithLink(dir).empty());
  // Neither file exists yet: only the resolved folders tell they are one.
  const std::vector<NamedOutput> outputs = {{"-OUTPUT", dir.path() + "/report.txt"},
                                            {"-JSON", dir.path() + "/out/r.json"},
                                            {"-XML", dir.path() + "/lnk/r.json"}};
  EXPECT_EXIT(checkOutputsAgainstInputs(outputs, {}), ExitedWithCode(kExitFatal),
              "FATAL ERROR: Outputs -JSON and -XML name the same file .*/lnk/r\\.json\n");
}

TEST(OutputGuardDeathTest, OutputNamingAnInputByAnotherNameIsFatal) {
  TempDir dir;
  ASSERT_FALSE(folderWithLink(dir).empty());
  const std::string input = dir.write("out/k.fdc", "VE 3.0e T\n");
  const std::string other = dir.write("t.tio", "");
  EXPECT_EXIT(checkOutputsAgainstInputs({{"-OUTPUT", dir.path() + "/lnk/k.fdc"}}, {other, input}),
              ExitedWithCode(kExitFatal),
              "FATAL ERROR: Output file .*/lnk/k\\.fdc of -OUTPUT is also an input file\n");
  // Named through the link on the input's side, and with a relative name (the
  // folder changes in the child only).
  EXPECT_EXIT(
      {
        if (::chdir(dir.path().c_str()) == 0)
          checkOutputsAgainstInputs({{"-CLEAN", "out/k.fdc"}}, {dir.path() + "/lnk/k.fdc"});
      },
      ExitedWithCode(kExitFatal),
      "FATAL ERROR: Output file out/k\\.fdc of -CLEAN is also an input file\n");
  // Another name of the same file (a hard link).
  const std::string hard = dir.path() + "/hard.fdc";
  ASSERT_EQ(::link(input.c_str(), hard.c_str()), 0);
  EXPECT_EXIT(checkOutputsAgainstInputs({{"-CIO", hard}}, {input}), ExitedWithCode(kExitFatal),
              "FATAL ERROR: Output file .*/hard\\.fdc of -CIO is also an input file\n");
}

TEST(OutputGuardDeathTest, OnlyTheListingsMayNameOneFileAgain) {
  TempDir dir;
  const std::string listing = dir.path() + "/a.c.lsc";
  const std::string input = dir.write("a.fdc", "VE 3.0e T\n");
  // Two sources of one name: their listings are appended to one another.
  EXPECT_EXIT(
      {
        checkOutputsAgainstInputs({{"-OUTPUT", dir.path() + "/report.txt"},
                                   {"-LISTING", listing, true},
                                   {"-LISTING", listing, true}},
                                  {input});
        std::exit(0);
      },
      ExitedWithCode(0), "^$");
  // Another output of that name is not.
  EXPECT_EXIT(checkOutputsAgainstInputs(
                  {{"-OUTPUT", listing}, {"-LISTING", listing, true}, {"-LISTING", listing, true}},
                  {input}),
              ExitedWithCode(kExitFatal),
              "FATAL ERROR: Outputs -OUTPUT and -LISTING name the same file .*/a\\.c\\.lsc\n");
}

TEST(OutputGuardDeathTest, DevicesMayBeNamedByManyOutputs) {
  TempDir dir;
  const std::string input = dir.write("k.fdc", "VE 3.0e T\n");
  EXPECT_EXIT(
      {
        checkOutputsAgainstInputs({{"-OUTPUT", "/dev/null"},
                                   {"-CIO", "/dev/null"},
                                   {"-XML", "/dev/null"},
                                   {"-JSON", dir.path() + "/r.json"}},
                                  {input});
        std::exit(0);
      },
      ExitedWithCode(0), "^$");
}
