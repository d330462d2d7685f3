// Option analysis into the report options record, and file pattern expansion.
#include "cli/pattern_expansion.h"
#include "cli/report_options.h"
#include "driver_test_support.h"
#include "test_support.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ReportOptionsTest : public DriverTest {
protected:
  void TearDown() override {
    releaseOptions(options);
    DriverTest::TearDown();
  }
  /// Analyses a command line that must be valid.
  void analyseValid(std::vector<std::string> words) { ASSERT_TRUE(analyse(std::move(words))); }
  bool inList(const OccurrenceList &list, const char *name) {
    return hasOccurrence(list, internName(name));
  }
};

TEST_F(ReportOptionsTest, DefaultsWithoutOptions) {
  analyseValid({"/nonexistent/a.fdc"});
  EXPECT_EQ(printed, "");
  EXPECT_EQ(options.inputFiles, std::vector<std::string>{"/nonexistent/a.fdc"});
  EXPECT_EQ(options.coverageTypes, 0);
  EXPECT_FALSE(options.outputFile);
  EXPECT_TRUE(options.global);
  EXPECT_FALSE(options.iterations);
  EXPECT_FALSE(options.mergeTests);
  EXPECT_FALSE(options.listCovered);
  EXPECT_EQ(options.summaryLevel, 0);
  EXPECT_FALSE(options.listing);
  EXPECT_EQ(options.selectAll, 7);
  EXPECT_FALSE(options.cioFile);
  EXPECT_FALSE(options.flowFile);
}

TEST_F(ReportOptionsTest, CoverageTypeLevels) {
  struct Case {
    std::vector<std::string> words;
    CoverageTypes types;
  } cases[] = {
      {{"-PROC"}, 0x0001},          {{"-PROC=ret"}, 0x0003},
      {{"-CALL"}, 0x0004},          {{"-NOCALL"}, 0},
      {{"-BLOCK"}, 0x0018},         {{"-BLOCK=d"}, 0x0038},
      {{"-BLOCK=IMPL"}, 0x0038},    {{"-BLOCK=LOG"}, 0x0078},
      {{"-BLOCK=ATC"}, 0x00F8},     {{"-COND"}, 0x0100},
      {{"-COND=MOD"}, 0x0300},      {{"-COND=c"}, 0x0700},
      {{"-NOPROC", "-NOBLOCK"}, 0}, {{"-PROC=R", "-CALL", "-BLOCK", "-COND=M"}, 0x031F},
  };
  for (Case &c : cases) {
    ReportOptions fresh;
    c.words.insert(c.words.begin(), "a.fdc");
    ArgumentVector args(c.words);
    ASSERT_TRUE(analyseOptions(args.argc(), args.argv(), fresh)) << c.words[1];
    EXPECT_EQ(fresh.coverageTypes, c.types) << c.words[1];
    releaseOptions(fresh);
  }
}

TEST_F(ReportOptionsTest, ValuedOptionsAndFlags) {
  analyseValid({"a", "-OUT=r.txt", "-NOGLOBAL", "-ITERATION", "-CLEAN=c.tio", "-MERGE", "-BR=COV",
                "-LISTING=lst", "-CIO=x.cio", "-FLOW=f.txt"});
  EXPECT_EQ(printed, "");
  EXPECT_EQ(options.outputFile, std::optional<std::string>("r.txt"));
  EXPECT_FALSE(options.global);
  EXPECT_TRUE(options.iterations);
  EXPECT_EQ(options.cleanFile, std::optional<std::string>("c.tio"));
  EXPECT_TRUE(options.mergeTests);
  EXPECT_TRUE(options.listCovered);
  EXPECT_TRUE(options.listing);
  EXPECT_EQ(options.listingDirectory, std::optional<std::string>("lst"));
  EXPECT_EQ(options.cioFile, std::optional<std::string>("x.cio"));
  EXPECT_EQ(options.flowFile, std::optional<std::string>("f.txt"));
}

TEST_F(ReportOptionsTest, ListingWithoutDirectoryAndSummaryLevels) {
  analyseValid({"a", "-LISTING", "-SUMMARY=serv", "-BRANCH=NOCOV"});
  EXPECT_TRUE(options.listing);
  EXPECT_FALSE(options.listingDirectory);
  EXPECT_EQ(options.summaryLevel, 1);
  EXPECT_EQ(printed, warning("Use of -SUMMARY and -BRANCH is inconsistent, -BRANCH is ignored"));
  ReportOptions fresh;
  ArgumentVector args({"a", "-SUMMARY=CONC"});
  ASSERT_TRUE(analyseOptions(args.argc(), args.argv(), fresh));
  EXPECT_EQ(fresh.summaryLevel, 3);
  releaseOptions(fresh);
}

TEST_F(ReportOptionsTest, WarningsComeInTheirOwnOrderWhateverTheCommandLineOrder) {
  analyseValid({"a", "-EXTEST=t", "-SERVICE=s", "-EXFILE=e", "-SUMMARY=CONCLUSION", "-BRANCH=COV",
                "-MERGETESTS"});
  EXPECT_EQ(printed,
            warning("-MERGETESTS cannot be used without -CLEAN, -MERGETESTS is ignored") +
                warning("Use of -SUMMARY and -BRANCH is inconsistent, -BRANCH is ignored") +
                warning("Use of -SUMMARY=CONCLUSION and -EXFILE is inconsistent, -EXFILE is "
                        "ignored") +
                warning("Use of -SUMMARY=CONCLUSION|FILE and -SERVICE is inconsistent, -SERVICE "
                        "is ignored") +
                warning("Use of -GLOBAL and -EXTEST is inconsistent, -EXTEST is ignored"));
  EXPECT_FALSE(options.mergeTests);
  EXPECT_FALSE(options.listCovered);
  EXPECT_EQ(options.selectAll, 7);
  EXPECT_EQ(options.excludedFileList.first, nullptr);
  EXPECT_EQ(options.serviceList.first, nullptr);
  EXPECT_EQ(options.excludedTestList.first, nullptr);
  EXPECT_EQ(internName("t")->flags, 0u);
  releaseOptions(options);
  options = ReportOptions{};
  analyseValid({"a", "-TEST=u", "-FILE=f", "-SUMMARY=CONCLUSION"});
  EXPECT_EQ(printed,
            warning("Use of -SUMMARY=CONCLUSION and -FILE is inconsistent, -FILE is ignored") +
                warning("Use of -GLOBAL and -TEST is inconsistent, -TEST is ignored"));
  EXPECT_EQ(options.selectAll, 7);
}

TEST_F(ReportOptionsTest, SummaryFileIgnoresServicesButKeepsFiles) {
  analyseValid({"a", "-SUMMARY=FILE", "-SERVICE=f", "-FILE=a.c", "-BRANCH=COV"});
  EXPECT_EQ(printed,
            warning("Use of -SUMMARY and -BRANCH is inconsistent, -BRANCH is ignored") +
                warning("Use of -SUMMARY=CONCLUSION|FILE and -SERVICE is inconsistent, -SERVICE "
                        "is ignored"));
  EXPECT_EQ(options.selectAll, SelectAllServices | SelectAllTests);
  EXPECT_TRUE(inList(options.fileList, "A.C"));
  EXPECT_EQ(options.serviceList.first, nullptr);
  EXPECT_FALSE(options.listCovered);
}

TEST_F(ReportOptionsTest, FileListsHoldUpperCasedBaseNames) {
  analyseValid({"a", "-FILE=src/a.c,A.C,b.c", "-SUMMARY=SERVICE"});
  EXPECT_EQ(printed, warning("File src/a.c with path in -FILE list; path ignored") +
                         warning("The file A.C appears twice in -FILE list"));
  EXPECT_EQ(options.selectAll, SelectAllServices | SelectAllTests);
  EXPECT_TRUE(inList(options.fileList, "A.C"));
  EXPECT_TRUE(inList(options.fileList, "B.C"));
  EXPECT_FALSE(inList(options.fileList, "b.c"));
  EXPECT_EQ(internName("A.C")->flags, static_cast<uint32_t>(InFileList));
}

TEST_F(ReportOptionsTest, ExcludedFilesWithoutNameAreSkipped) {
  analyseValid({"a", "-EXFILE=dir/,c:x.c,x.c"});
  EXPECT_EQ(printed, warning("File dir/ without file name in -EXFILE list is ignored") +
                         warning("File c:x.c with path in -EXFILE list; path ignored") +
                         warning("The file x.c appears twice in -EXFILE list"));
  EXPECT_EQ(options.selectAll, 7);
  EXPECT_TRUE(inList(options.excludedFileList, "X.C"));
  EXPECT_EQ(options.excludedFileList.first->next, nullptr);
  EXPECT_EQ(internName("X.C")->flags, static_cast<uint32_t>(InExFileList));
}

TEST_F(ReportOptionsTest, ServiceAndTestLists) {
  analyseValid({"a", "-SERVICE=f,F,f", "-NOGLOBAL", "-TEST=t1", "-TEST=t1"});
  EXPECT_EQ(printed, warning("The service f appears twice in -SERVICE list") +
                         warning("The test t1 appears twice in -TEST list"));
  EXPECT_EQ(options.selectAll, SelectAllFiles);
  EXPECT_TRUE(inList(options.serviceList, "f"));
  EXPECT_TRUE(inList(options.serviceList, "F"));
  EXPECT_EQ(internName("F")->flags, static_cast<uint32_t>(InServiceList));
  EXPECT_EQ(internName("t1")->flags, static_cast<uint32_t>(InTestList));
}

TEST_F(ReportOptionsTest, InvalidCommandLinesAreRefused) {
  EXPECT_FALSE(analyse({"a", "-PROC", "-NOPROC"}));
  EXPECT_EQ(printed, decoderMessage("Illegal combination of command elements,", "PROC and NOPROC"));
  EXPECT_FALSE(analyse({"a", "-VERSION"}));
  EXPECT_EQ(printed, decoderMessage("Unknown option,", "VERSION"));
}

class ExpandPatternTest : public testing::Test {
protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    dir.write("x.fdc", "");
    dir.write("y.FDC", "");
    dir.write("b.tio", "");
    dir.write("sub/z.fdc", "");
    dir.write("sub/A.fdc", "");
    std::filesystem::create_directory(dir.path() + "/d.fdc");
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  TempDir dir;
  std::filesystem::path previous_;
};

std::vector<std::string> expandPattern(const std::string &text) {
  return PatternExpander().expand(text);
}

TEST_F(ExpandPatternTest, WildcardsMatchFilesIgnoringCaseInNameOrder) {
  // d.fdc is a directory: listed, but not retained.
  EXPECT_EQ(expandPattern("*.fdc"), (std::vector<std::string>{"./x.fdc", "./y.FDC"}));
  EXPECT_EQ(expandPattern("sub/*"), (std::vector<std::string>{"sub/A.fdc", "sub/z.fdc"}));
  EXPECT_EQ(expandPattern("sub//?.fdc"), (std::vector<std::string>{"sub/A.fdc", "sub/z.fdc"}));
  EXPECT_EQ(expandPattern("[bx].*"), (std::vector<std::string>{"./b.tio", "./x.fdc"}));
  EXPECT_EQ(expandPattern(dir.path() + "/b.tio"), std::vector<std::string>{dir.path() + "/b.tio"});
  EXPECT_EQ(expandPattern("X.FDC"), std::vector<std::string>{"./x.fdc"});
}

TEST_F(ExpandPatternTest, PlainNameExistingAsTypedNamesThatFileOnly) {
  dir.write("run.tio", "");
  dir.write("RUN.TIO", "");
  EXPECT_EQ(expandPattern("run.tio"), std::vector<std::string>{"./run.tio"});
  EXPECT_EQ(expandPattern("RUN.TIO"), std::vector<std::string>{"./RUN.TIO"});
  // A plain name with no file in its own case, and a wildcard, still find both
  // (their relative order is not defined).
  for (const char *text : {"Run.Tio", "run.ti?"}) {
    std::vector<std::string> names = expandPattern(text);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"./RUN.TIO", "./run.tio"})) << text;
  }
}

TEST_F(ExpandPatternTest, TextsMatchingNothingStayAsTyped) {
  EXPECT_EQ(expandPattern("*.none"), std::vector<std::string>{"*.none"});
  EXPECT_EQ(expandPattern("missing/x.fdc"), std::vector<std::string>{"missing/x.fdc"});
  EXPECT_EQ(expandPattern("sub/"), std::vector<std::string>{"sub/"});
  EXPECT_EQ(expandPattern("d.fdc"), std::vector<std::string>{});
}

TEST_F(ExpandPatternTest, UnusableNamesTypedWithoutWildcardStayOnlyWhenKept) {
  ASSERT_EQ(::symlink("nowhere.fdc", (dir.path() + "/dangling.fdc").c_str()), 0);
  PatternExpander keeping(true);
  // A directory and a link to a missing file, named as they are: kept as typed
  // for their reader to report, or else nothing.
  for (const std::string &text :
       {std::string("d.fdc"), std::string("dangling.fdc"), dir.path() + "/d.fdc"}) {
    EXPECT_EQ(keeping.expand(text), std::vector<std::string>{text});
    EXPECT_EQ(expandPattern(text), std::vector<std::string>{}) << text;
  }
  // A wildcard that matches only such entries stands for nothing either way.
  for (const char *text : {"d.*", "dang*"}) {
    EXPECT_EQ(keeping.expand(text), std::vector<std::string>{}) << text;
    EXPECT_EQ(expandPattern(text), std::vector<std::string>{}) << text;
  }
  // Files and names that match nothing are not affected.
  EXPECT_EQ(keeping.expand("x.fdc"), std::vector<std::string>{"./x.fdc"});
  EXPECT_EQ(keeping.expand("X.FDC"), std::vector<std::string>{"./x.fdc"});
  EXPECT_EQ(keeping.expand("none.fdc"), std::vector<std::string>{"none.fdc"});
}

TEST_F(ExpandPatternTest, NamesThatAreNotTextMatchOnTheirBytes) {
  const std::string latin1 = std::string("caf") + char(0xE9) + ".tio"; // not valid UTF-8
  dir.write(latin1, "");
  EXPECT_EQ(expandPattern("caf*.tio"), std::vector<std::string>{"./" + latin1});
  EXPECT_EQ(expandPattern("CAF?.TIO"), std::vector<std::string>{"./" + latin1});
  EXPECT_EQ(expandPattern(latin1), std::vector<std::string>{"./" + latin1});
}

TEST_F(ExpandPatternTest, PipesAndDevicesNamedAsTheyAreStayInputs) {
  ASSERT_EQ(::mkfifo((dir.path() + "/pipe.tio").c_str(), 0600), 0);
  EXPECT_EQ(expandPattern("pipe.tio"), std::vector<std::string>{"./pipe.tio"});
  EXPECT_EQ(expandPattern("p*.tio"), std::vector<std::string>{"./pipe.tio"});
  EXPECT_EQ(expandPattern("/dev/null"), std::vector<std::string>{"/dev/null"});
}

TEST_F(ExpandPatternTest, EachDirectoryIsListedOncePerExpander) {
  PatternExpander expander;
  EXPECT_EQ(expander.expand("*.tio"), std::vector<std::string>{"./b.tio"});
  // A file made after the listing is not seen by the same expander: the listing
  // was read once and kept.
  dir.write("c.tio", "");
  EXPECT_EQ(expander.expand("*.tio"), std::vector<std::string>{"./b.tio"});
  EXPECT_EQ(expandPattern("*.tio"), (std::vector<std::string>{"./b.tio", "./c.tio"}));
}

} // namespace
