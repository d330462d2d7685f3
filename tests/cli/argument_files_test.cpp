// Argument files and environment references.
#include "cli/report_options.h"
#include "driver_test_support.h"
#include "test_support.h"

#include <cstdlib>

namespace {

class ArgumentFilesTest : public DriverTest {
protected:
  /// Pre-processes the words; returns the expanded words after the program name.
  std::vector<std::string> expand(std::vector<std::string> words, int expectedResult = 0) {
    ArgumentVector args(std::move(words));
    int argc = args.argc();
    char **argv = args.argv();
    testing::internal::CaptureStderr();
    EXPECT_EQ(decoder.preprocessArguments(argc, argv), expectedResult);
    printed = testing::internal::GetCapturedStderr();
    return std::vector<std::string>(argv + 1, argv + argc);
  }

  CommandLineDecoder decoder{reportCommandLineTables()};
  TempDir dir;
};

using Words = std::vector<std::string>;

TEST_F(ArgumentFilesTest, WordsCommentsAndQuotes) {
  const std::string path = dir.write("args", "  # a comment -CALL\n"
                                             "a.fdc\tb.fdc   \"c d.tio\"\n"
                                             "x#y \"\" -OUT=\"r 1\".txt\n"
                                             "\t#another\n"
                                             "\"#quoted\"\n");
  EXPECT_EQ(
      expand({"first", "@" + path, "last"}),
      (Words{"first", "a.fdc", "b.fdc", "c d.tio", "x#y", "", "-OUT=r 1.txt", "#quoted", "last"}));
  EXPECT_EQ(printed, "");
}

TEST_F(ArgumentFilesTest, OptionFormNamesAnArgumentFileInAnyCase) {
  const std::string path = dir.write("opts", "-CALL -NOGLOBAL");
  EXPECT_EQ(expand({"-option=" + path, "-OPTION=" + path}),
            (Words{"-CALL", "-NOGLOBAL", "-CALL", "-NOGLOBAL"}));
  // Only the full word OPTION introduces a file.
  EXPECT_EQ(expand({"-OPT=" + path}), Words{"-OPT=" + path});
}

TEST_F(ArgumentFilesTest, BackslashContinuesLinesAndKeepsOtherCharacters) {
  const std::string lf = dir.write("lf", "ab\\\ncd e\\\"f \\ g\\");
  EXPECT_EQ(expand({"@" + lf}), (Words{"abcd", "e\\\"f", "\\ g"}));
  const std::string crlf = dir.write("crlf", "ab\\\r\ncd\r\nef\r\n");
  EXPECT_EQ(expand({"@" + crlf}), (Words{"abcd", "ef"}));
  const std::string cr = dir.write("cr", "ab\\\rcd");
  EXPECT_EQ(expand({"@" + cr}), (Words{"abcd"}));
}

TEST_F(ArgumentFilesTest, EnvironmentReferencesAreExpandedOnce) {
  setenv("ZC_TEST_DIR", "/data", 1);
  setenv("ZC_TEST_LOOP", "$ZC_TEST_DIR", 1);
  unsetenv("ZC_TEST_UNDEFINED");
  EXPECT_EQ(
      expand({"$ZC_TEST_DIR/x.fdc", "$ZC_TEST_UNDEFINED/y", "$ZC_TEST_LOOP", "a$", "$-x",
              "$ZC_TEST_DIR.$ZC_TEST_DIR"}),
      (Words{"/data/x.fdc", "$ZC_TEST_UNDEFINED/y", "$ZC_TEST_DIR", "a$", "$-x", "/data./data"}));
  const std::string path = dir.write("env", "\"$ZC_TEST_DIR/a b\"");
  EXPECT_EQ(expand({"@" + path}), Words{"/data/a b"});
  unsetenv("ZC_TEST_DIR");
  unsetenv("ZC_TEST_LOOP");
}

TEST_F(ArgumentFilesTest, MissingFileIsReportedAndLeavesTheArgumentsUnexpanded) {
  const std::string missing = dir.path() + "/none";
  EXPECT_EQ(expand({"a", "@" + missing}, -1), (Words{"a", "@" + missing}));
  EXPECT_EQ(printed, decoderMessage("File not found", missing));
}

TEST_F(ArgumentFilesTest, DirectoryIsNoArgumentFile) {
  // A directory opens for reading on this platform but cannot be read.
  EXPECT_EQ(expand({"a", "@" + dir.path()}, -1), (Words{"a", "@" + dir.path()}));
  EXPECT_EQ(printed, decoderMessage("File not found", dir.path()));
}

TEST_F(ArgumentFilesTest, OptionsListTheArgumentFilesReadInOrder) {
  // Argument files do not nest: a word of a file that names another one is an
  // input name, and the file it names is not read.
  const std::string inner = dir.write("inner", "-CALL\n");
  const std::string outer = dir.write("outer", "/nonexistent/a.fdc @" + inner + "\n");
  const std::string flags = dir.write("flags", "-NOGLOBAL\n");
  ASSERT_TRUE(analyse({"@" + outer, "/nonexistent/b.fdc", "-option=" + flags, "@" + outer}))
      << printed;
  EXPECT_EQ(options.argumentFiles, (Words{outer, flags, outer}));
  EXPECT_EQ(options.inputFiles, (Words{"/nonexistent/a.fdc", "@" + inner, "/nonexistent/b.fdc",
                                       "/nonexistent/a.fdc", "@" + inner}));
  EXPECT_FALSE(options.global);
  EXPECT_EQ(options.coverageTypes, 0);
  releaseOptions(options);

  options = ReportOptions{};
  ASSERT_TRUE(analyse({"/nonexistent/a.fdc"}));
  EXPECT_TRUE(options.argumentFiles.empty());
}

TEST_F(ArgumentFilesTest, MissingFileMakesTheCommandLineInvalid) {
  const std::string missing = dir.path() + "/none";
  EXPECT_FALSE(analyse({"a.fdc", "-OPTION=" + missing}));
  EXPECT_EQ(printed, decoderMessage("File not found", missing));
  EXPECT_TRUE(options.inputFiles.empty());
}

} // namespace

namespace {

TEST_F(ArgumentFilesTest, FilesBeyondTheirBoundsAreDecoderErrors) {
  ArgumentFileLimits limits;
  limits.fileBytes = 64;
  limits.wordBytes = 8;
  limits.words = 50;
  decoder.setArgumentFileLimits(limits);
  std::string shortWords;
  for (int i = 0; i < 20; ++i)
    shortWords += "abcd ";
  const std::string big = dir.write("big", shortWords);
  expand({"@" + big}, -1);
  EXPECT_NE(printed.find("Argument file too large, " + big), std::string::npos) << printed;

  const std::string longWord = dir.write("long", "short 123456789\n");
  expand({"@" + longWord}, -1);
  EXPECT_NE(printed.find("Word too long in argument file, " + longWord), std::string::npos)
      << printed;

  limits.words = 5;
  decoder.setArgumentFileLimits(limits);
  const std::string many = dir.write("many", "a b c d e f\n");
  expand({"@" + many}, -1);
  EXPECT_NE(printed.find("Too many words in argument files, " + many), std::string::npos)
      << printed;

  // Within the bounds all is read.
  const std::string fits = dir.write("fits", "a b c\n");
  EXPECT_EQ(expand({"@" + fits}), (Words{"a", "b", "c"}));
}

TEST_F(ArgumentFilesTest, EndlessStreamsStopAtTheBounds) {
  // A word of NUL bytes without end: stopped at the word bound, not at memory.
  expand({"@/dev/zero"}, -1);
  EXPECT_NE(printed.find("Word too long in argument file, /dev/zero"), std::string::npos)
      << printed;
}

} // namespace
