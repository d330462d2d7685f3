// The reading pass: states, test boundaries, file-parts, count orientation and
// the messages at the end of the reading.
#include <gtest/gtest.h>

#include "trace_test_model.h"

namespace {

using ::testing::ExitedWithCode;

TEST_F(TraceFixture, HitsAreRecordedAndCarryOverTraceFiles) {
  const std::string first = trace("NT \"t\"\nDT 0\nFT 11\nDC 22\nTP 0\nTB 0\nTB 0\nTE 1\n");
  const std::string second = trace("TB 1\nFT 33\nDC 44\nTA 0\n");
  EXPECT_EQ(run({first, second}), "");
  const Service &f = serviceOf(*a_);
  EXPECT_EQ(f.totalCovered[CntFunctions], 1u);
  EXPECT_EQ(f.totalCovered[CntFunctionsExits], 1u);
  EXPECT_EQ(f.totalCovered[CntStatementBlocks], 2u) << "block 1 continues the file-part";
  EXPECT_EQ(f.totalCovered[CntBasicConditions], 1u);
  EXPECT_EQ(blockHits(*a_, 0), 1u) << "without counts a hit counts 1";
  EXPECT_EQ(serviceOf(*b_).totalCovered[CntCalls], 1u);
  // The pass tells the end of every test, also in a global run.
  EXPECT_EQ(listener_.events, Events({"test t/-1 blocks=2", "end"}));
}

TEST_F(TraceFixture, HitBeforeAnyFilePartIsFatal) {
  const std::string path = trace("NT\nTA 0\n");
  EXPECT_EXIT(runPass({path}), ExitedWithCode(7),
              "Incorrect traces in .*t0.tio \\(branch hit outside of any file-part\\)");
}

TEST_F(TraceFixture, UnknownLinesAreFatalOnlyWhileReading) {
  for (const char *line : {"DC 1", "XY 1", "", "TP\t5"}) {
    const std::string path = trace(std::string("NT\nFT 11\nDC 22\n") + line + "\n");
    EXPECT_EXIT(runPass({path}), ExitedWithCode(7),
                std::string("Unknown opcode in trace file .*: ") +
                    std::string(line).substr(0, std::string(line).find(' ')) + "\nDescription:")
        << line;
  }
  // The same lines while a test or a file-part is skipped.
  options_.global = false;
  select(options_.excludedTestList, "skipped", InExTestList);
  const std::string path =
      trace("NT \"skipped\"\nDC 1\nXY\n\nTP\t5\nFT 11\nDC 22\nTB 0\nEI 1\n"
            "NT \"kept\"\nFT 55\nDC 66\nDC 1\nYY\n\nTB 9\nDT \"d\"\nFT 11\nDC 22\nTB 1\n");
  const std::string err = run({path});
  EXPECT_NE(err.find("Error detected during execution:\n-> unknown error opcode"),
            std::string::npos)
      << err;
  EXPECT_EQ(blockHits(*a_, 0), 0u) << "the hits of an excluded test are not recorded";
  EXPECT_EQ(blockHits(*a_, 1), 1u);
  EXPECT_EQ(date_, "") << "a DT line inside a skipped file-part is not read";
  EXPECT_EQ(listener_.events, Events({"test kept/-1 blocks=1", "end"}));
}

TEST_F(TraceFixture, FileThatIsNotATraceIsReportedAndReadingGoesOn) {
  static const char kBinary[] = "NT \"t\"\nFT 11\nDC 22\nTB 0\n\x7f"
                                "ELF\x02\x01\0\0\nTB 1\n";
  const std::string bad = trace(std::string(kBinary, sizeof kBinary - 1));
  const std::string good = trace("TB 2\n");
  const std::string err = run({bad, good});
  EXPECT_NE(err.find("ERROR: " + bad + " is not a valid Code Coverage trace file\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(blockHits(*a_, 0), 1u) << "what was read before the bad line stays";
  EXPECT_EQ(blockHits(*a_, 1), 0u);
  EXPECT_EQ(blockHits(*a_, 2), 1u);
}

TEST_F(TraceFixture, TestBoundaries) {
  options_.global = false;
  const std::string content = "NT \"one\" 1\nFT 11\nDC 22\nTB 0\nNT \"again\" 1\nTB 1\n"
                              "NT 2\nTB 2\nNT\nTB 3\nNT\nTB 3\n";
  const std::string path = trace(content);
  run({path});
  EXPECT_EQ(listener_.events, Events({"test again/1 blocks=2", "test 2/2 blocks=1",
                                      "test #/-1 blocks=1", "test #/-1 blocks=1", "end"}));
  EXPECT_EQ(blocksCovered(*a_), 4u);

  listener_.events.clear();
  hits_.resetTestHits(); // the last test's hits stay after a pass
  options_.iterations = true;
  run({path});
  EXPECT_EQ(listener_.events,
            Events({"test one/1 blocks=1", "test again/1 blocks=1", "test 2/2 blocks=1",
                    "test #/-1 blocks=1", "test #/-1 blocks=1", "end"}));
}

TEST_F(TraceFixture, TestKeepsItsDateIntoTheNextTraceFile) {
  options_.global = false;
  run({trace("NT \"1\"\nDT \"d1\"\nFT 11\nDC 22\n"), trace("TB 0\n"),
       trace("NT \"2\"\nTB 1\nNT \"3\"\n"), trace("DT \"d4\"\nNT \"4\"\n")});
  // A DT line before the first NT line of a file belongs to the test carried over.
  EXPECT_EQ(listener_.dates, std::vector<std::string>({"d1", "", "d4", "d4"}));
}

TEST_F(TraceFixture, TestsNamedByTheirNumberAreSelectedByThatText) {
  options_.global = false;
  options_.selectAll &= ~SelectAllTests;
  select(options_.testList, "c", InTestList);
  select(options_.testList, "zz", InTestList);
  const std::string err = run({trace("NT c\nFT 11\nDC 22\nTB 0\nNT 5\nTB 1\n")});
  EXPECT_EQ(listener_.events, Events({"test c/12 blocks=1", "end"}));
  EXPECT_EQ(blockHits(*a_, 1), 0u);
  EXPECT_EQ(err.find("Test c in"), std::string::npos) << err;
  EXPECT_NE(err.find("WARNING: Test zz in -TEST option was unknown in trace file list\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(err.find("Selected test list is empty"), std::string::npos) << err;
}

TEST_F(TraceFixture, WarningsWhenNoTestIsReported) {
  EXPECT_NE(run({}).find("WARNING: No traces in argument list; generating report showing all "
                         "branches\n"),
            std::string::npos);
  options_.global = false;
  select(options_.excludedTestList, "x", InExTestList);
  select(options_.excludedTestList, "never", InExTestList);
  const std::string err = run({trace("NT \"x\"\nFT 11\nDC 22\nTB 0\n")});
  EXPECT_NE(err.find("WARNING: Selected test list is empty; generating conclusion only\n"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("WARNING: Test never in -EXTEST option was unknown in trace file list\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(err.find("Test x in"), std::string::npos) << err;
}

TEST_F(TraceFixture, CioRecordsFollowTestsAndGroups) {
  options_.cioFile = "x.cio";
  run({trace("NT \"a\" 1 1\nFT 11\nDC 22\nTB 0\nNT \"b\" 2 1\nTB 0\nTB 1\n"
             "NT \"c\" 3 2\nNT \"d\" 4\nTB 2\n")});
  EXPECT_EQ(listener_.events, Events({"test a/1 blocks=1", "test b/2 blocks=2", "group 1",
                                      "test c/3 blocks=0", "test d/4 blocks=1", "group 2", "end"}));
}

TEST_F(TraceFixture, CountOrientationOfTheRun) {
  const std::string mixed =
      trace("NT \"c\"\nCO\nFT 11\nDC 22\nTB 0 5\nTB 0 \nTB 0\nNT \"p\"\nFT 11\nDC 22\nTB 1 7\n");
  std::string err = run({mixed});
  EXPECT_NE(err.find("WARNING: Some traces are count-oriented and others are not, count is "
                     "ignored\n"),
            std::string::npos)
      << err;
  EXPECT_FALSE(countOriented_);
  EXPECT_EQ(blockHits(*a_, 0), 6u) << "counts add up; a count of 0 is no hit";
  EXPECT_EQ(blockHits(*a_, 1), 1u) << "a plain test reads no count";

  options_.global = false;
  hits_.resetTestHits();
  err = run({mixed});
  EXPECT_EQ(err.find("count-oriented"), std::string::npos) << err;
  EXPECT_FALSE(countOriented_);
  EXPECT_EQ(listener_.events[0], "test c/-1/co blocks=1");

  options_.global = true;
  run({trace("NT \"c2\"\nCO\nFT 11\nDC 22\nTB 2 5\n")});
  EXPECT_TRUE(countOriented_);
}

TEST_F(TraceFixture, CountOfZeroRecordsNoHit) {
  run({trace("NT\nCO\nFT 11\nDC 22\nTB 0 0\nTB 1 1\n")});
  EXPECT_EQ(blocksCovered(*a_), 1u);
  EXPECT_EQ(serviceOf(*a_).blocks[0].branch.flags, 0u);
}

TEST_F(TraceFixture, PartsMatchingNoSourceFileAreSkipped) {
  const std::string path =
      trace("NT\nFT 55\nDC 66\nTB 0\nFT 77\nDC 88\nTB 1\nFT 11\nDC 22\nTB 2\nFT 11\nDC 99\nTB 9\n");
  const std::string err = run({path});
  const std::string info =
      "INFO: Parts of traces do not match any listed FDC files; such parts are ignored\n";
  ASSERT_NE(err.find(info), std::string::npos) << err;
  EXPECT_EQ(err.find(info, err.find(info) + 1), std::string::npos) << "given once per run";
  EXPECT_EQ(model_.files().size(), 2u) << "no placeholder without -CLEAN";
  EXPECT_EQ(blocksCovered(*a_), 1u);

  options_.cleanFile = dir_.path() + "/clean.tio";
  run({path});
  ASSERT_EQ(model_.files().size(), 5u);
  const SourceFile &other = *model_.files()[4];
  EXPECT_TRUE(other.placeholder);
  EXPECT_EQ(other.fileKey, 0x11u);
  EXPECT_TRUE(other.otherVersion);
  EXPECT_FALSE(model_.files()[2]->otherVersion);
}

TEST_F(TraceFixture, SkippingCarriesOverTestsAndFiles) {
  // Hits that continue an excluded source file after a new test, or in the next
  // trace file, are not recorded; the new test's own DT and CO lines are read.
  select(options_.excludedFileList, "A.C", InExFileList);
  const std::string first =
      trace("NT \"1\"\nFT 11\nDC 22\nTB 0\nNT \"2\"\nDT \"d2\"\nCO\nTB 1 3\n");
  const std::string second = trace("TB 2\n");
  EXPECT_EQ(run({first, second}), "");
  EXPECT_EQ(blocksCovered(*a_), 0u);
  EXPECT_TRUE(countOriented_) << "the CO line of the second test was read";

  const std::string unmatched = trace("NT\nFT 55\nDC 66\nTB 0\nNT\nTB 0\n");
  const std::string next = trace("TB 1\n");
  const std::string err = run({unmatched, next});
  EXPECT_EQ(err.find("Incorrect traces"), std::string::npos);

  // An excluded test carried into the next file stays skipped, FT lines included.
  options_.global = false;
  select(options_.excludedTestList, "x", InExTestList);
  run({trace("NT \"x\"\nFT 33\nDC 44\n"), trace("TA 0\nFT 33\nDC 44\nTA 0\n")});
  EXPECT_EQ(serviceOf(*b_).totalCovered[CntCalls], 0u);
}

TEST_F(TraceFixture, TypeSetLimitsTheModelLookup) {
  options_.coverageTypes = CovStatementBlocks;
  run({trace("NT\nFT 11\nDC 22\nTE 9\nTP 9\nTB 0\n")});
  EXPECT_EQ(blocksCovered(*a_), 1u);
  EXPECT_EQ(serviceOf(*a_).totalCovered[CntFunctionsExits], 0u);

  options_.coverageTypes = 0;
  const std::string path = trace("NT\nFT 11\nDC 22\nTB 9\n");
  EXPECT_EXIT(runPass({path}), ExitedWithCode(7),
              "Cannot find instrumentation ID for specified trace in FDC file a.c.fdc");
}

} // namespace
