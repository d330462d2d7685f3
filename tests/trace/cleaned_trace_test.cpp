// The cleaned trace (-CLEAN) and the merged one (-MERGETESTS): exact content, and a
// cleaned trace reads back with the same coverage.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/report_options.h"
#include "model/branch_lookup.h"
#include "model/hit_recorder.h"
#include "trace/cleaned_trace_writer.h"
#include "trace/tio_line_parser.h"
#include "trace_test_model.h"

namespace {

using ::testing::ExitedWithCode;
using CleanedTraceTest = TraceFixture;

/// Three tests, two sharing a test number; parts of a.c and of two unknown files
/// (0x55 made in a plain test, 0x57 in a counted one).
std::string threeTests() {
  std::string trace = "NT \"t1\" 1\nDT \"d1\"\nFT 11\nDC 22\nTB 1\nTB 0\n";
  for (int i = 0; i < 1000; ++i)
    trace += "TB 1\n";
  trace += "TP 0\nFT 55\nDC 66\nTB 5\n"
           "NT \"t2\" 1\nTB 2\n"
           "NT \"t3\"\nCO\nFT 75\nDC 66\nTB 5 3\nTB 5 4\nFT 11\nDC 22\nTB 3 9\n";
  return trace;
}

TEST_F(CleanedTraceTest, OneSectionPerTestLine) {
  const std::string clean = dir_.path() + "/clean.tio";
  options_.cleanFile = clean;
  const std::string err = run({trace(threeTests())});
  EXPECT_NE(err.find("INFO: Parts of traces do not match any listed FDC files"), std::string::npos);
  EXPECT_EQ(readFile(clean), "NT \"t1\"\nDT \"d1\"\nFT 11\nDC 22\nTP 0\nTB 0\nTB 1\nFT 55\nDC 66\n"
                             "TB 5\n"
                             "NT \"t2\"\nDT \"d1\"\nFT 55\nDC 66\nTB 2\n"
                             "NT \"t3\"\nDT \"d1\"\nCO\nFT 11\nDC 22\nTB 3 1\nFT 75\nDC 66\n"
                             "TB 5 7\n");
}

TEST_F(CleanedTraceTest, MergedTestsMakeOneSection) {
  setenv("TZ", "UTC", 1);
  tzset();
  const std::string clean = dir_.path() + "/merged.tio";
  options_.cleanFile = clean;
  options_.mergeTests = true;
  // The merged section is dated with the run's time.
  runTime_ = 1700000000;
  run({trace(threeTests())});
  EXPECT_EQ(readFile(clean), "NT \"Merged test\"\nDT \"Tue Nov 14 22:13:20 2023\"\n"
                             "FT 11\nDC 22\nTP 0\nTB 0\nTB 1\nTB 3\n"
                             "FT 55\nDC 66\nTB 2\nTB 5\nFT 75\nDC 66\nTB 5\n");
}

TEST_F(CleanedTraceTest, PlaceholdersGrowByHundredsAndKeepOnlyTheIdsHit) {
  const std::string clean = dir_.path() + "/clean.tio";
  options_.cleanFile = clean;
  run({trace("NT\nFT 55\nDC 66\nTB af\nTA fffffff7\nTB 3\n")});
  const SourceFile &placeholder = *model_.files().back();
  EXPECT_EQ(placeholder.blockBranchCount, 300u) << "a first hit on 250 gives 300";
  EXPECT_EQ(placeholder.callBranchCount, 2147483700u);
  EXPECT_EQ(readFile(clean), "NT \"#\"\nDT 0\nFT 55\nDC 66\nTA fffffff7\nTB 3\nTB af\n");
}

TEST_F(CleanedTraceTest, WhatTheSelectionsAndOtherVersionsKeep) {
  // An excluded source file keeps its parts; an excluded test keeps its NT and DT
  // lines only; a part of another version of a loaded file is dropped.
  const std::string clean = dir_.path() + "/clean.tio";
  options_.cleanFile = clean;
  options_.global = false;
  select(options_.excludedTestList, "skip", InExTestList);
  select(options_.excludedFileList, "A.C", InExFileList);
  run({trace("NT \"keep\"\nDT \"d\"\nFT 11\nDC 22\nTB 0\nFT 11\nDC 99\nTB 0\n"
             "NT \"skip\"\nFT 11\nDC 22\nTB 1\n")});
  EXPECT_EQ(readFile(clean), "NT \"keep\"\nDT \"d\"\nFT 11\nDC 22\nTB 0\nNT \"skip\"\nDT \"d\"\n");
  EXPECT_EQ(blocksCovered(*a_), 0u);
}

TEST_F(CleanedTraceTest, NoTestLineWritesNoFile) {
  const std::string clean = dir_.path() + "/clean.tio";
  options_.cleanFile = clean;
  run({trace("FT 11\nDC 22\nTB 0\n")});
  EXPECT_FALSE(std::filesystem::exists(clean));
}

TEST_F(CleanedTraceTest, IdBeyondTheBranchesOfALoadedFileIsAFormatError) {
  // Blocks are not looked up in the model here, so only the cleaned trace sees it;
  // it is the trace's fault, as when the model finds no such branch.
  options_.cleanFile = dir_.path() + "/clean.tio";
  options_.coverageTypes = CovCalls;
  const std::string path = trace("NT\nFT 11\nDC 22\nTB 4\n");
  EXPECT_EXIT(runPass({path}), ExitedWithCode(7),
              "FATAL ERROR: Cannot find instrumentation ID for specified trace in FDC file");
}

TEST_F(CleanedTraceTest, UncreatableFileIsFatal) {
  options_.cleanFile = dir_.path() + "/no/such/dir/clean.tio";
  const std::string path = trace("NT\nFT 11\nDC 22\nTB 0\n");
  EXPECT_EXIT(runPass({path}), ExitedWithCode(7), "Cannot write to file .*no/such/dir/clean.tio");
}

TEST_F(CleanedTraceTest, QuotedTextsAreEscapedAndDatelessTestsGetTimeZero) {
  EXPECT_EQ(escapeQuoted("a\"b\\c"), "a\\\"b\\\\c");
  const std::string clean = dir_.path() + "/clean.tio";
  options_.cleanFile = clean;
  options_.global = false;
  run({trace("NT \"a\\\"b\\\\c\"\nFT 11\nDC 22\nTB 0\nNT \"plain\"\nDT \"x\\\\y\"\nFT 33\nDC 44\n"
             "TA 0\n")});
  EXPECT_EQ(readFile(clean), "NT \"a\\\"b\\\\c\"\nDT 0\nFT 11\nDC 22\nTB 0\n"
                             "NT \"plain\"\nDT \"x\\\\y\"\nFT 33\nDC 44\nTA 0\n");
  listener_.events.clear();
  options_.cleanFile.reset();
  run({clean});
  EXPECT_EQ(listener_.events,
            Events({"test a\"b\\c/-1 blocks=1", "test plain/-1 blocks=0", "end"}));
}

TEST_F(CleanedTraceTest, SectionKeepsTheDateOfItsTestAcrossTraceFiles) {
  // Each section is written at the next NT line, after the date was cleared for
  // the new file; the new file's own tests get no date unless they read one.
  const std::string clean = dir_.path() + "/clean.tio";
  options_.cleanFile = clean;
  run({trace("NT \"1\"\nDT \"d1\"\nFT 11\nDC 22\nTB 0\n"), trace("TB 1\n"),
       trace("NT \"2\"\nTB 2\n")});
  EXPECT_EQ(readFile(clean),
            "NT \"1\"\nDT \"d1\"\nFT 11\nDC 22\nTB 0\nTB 1\nNT \"2\"\nDT 0\nFT 11\nDC 22\nTB 2\n");
}

TEST_F(CleanedTraceTest, CleanedTraceReadsBackWithTheSameCoverage) {
  const std::string clean = dir_.path() + "/clean.tio";
  options_.cleanFile = clean;
  run({trace(threeTests())});

  CoverageModel again;

  HitRecorder againHits{again};
  SourceFile &a = addTestFile(again, "a.c", 0x11, 0x22);
  SourceFile &b = addTestFile(again, "b.c", 0x33, 0x44);
  ReportOptions plain;
  TraceReader reader(againHits, plain, nullptr, 0);
  ::testing::internal::CaptureStderr();
  reader.run({clean});
  ::testing::internal::GetCapturedStderr();
  for (int counter = 0; counter < CntCount; ++counter) {
    EXPECT_EQ(serviceOf(a).totalCovered[counter], serviceOf(*a_).totalCovered[counter]);
    EXPECT_EQ(serviceOf(b).totalCovered[counter], serviceOf(*b_).totalCovered[counter]);
  }
  EXPECT_EQ(serviceOf(a).totalCovered[CntStatementBlocks], 3u);
}

} // namespace

namespace {

TEST_F(CleanedTraceTest, SharedIdsAreToldOncePerFile) {
  // A second file whose second service holds block 0 too (IDs are per file, the
  // FDC format lets two services share one).
  CoverageModel model;
  HitRecorder modelHits{model};
  SourceFile &shared = addTestFile(model, "s.c", 0x55, 0x66);
  auto other = std::make_unique<Service>();
  other->name = internName("h");
  other->blocks.push_back(BlockEntry{});
  other->blocks.back().branch.id = 0;
  shared.services.push_back(std::move(other));
  buildBranchIndex(shared);
  EXPECT_TRUE(hasSharedIds(shared));
  EXPECT_FALSE(hasSharedIds(*a_));

  options_.cleanFile = dir_.path() + "/clean.tio";
  const std::string path = trace("NT\nFT 55\nDC 66\nTB 0\nFT 11\nDC 22\nFT 55\nDC 66\nTB 1\n");
  ReportOptions options = options_;
  ::testing::internal::CaptureStderr();
  {
    TraceReader reader(modelHits, options, nullptr, 0);
    reader.run(std::vector<std::string>{path});
    reader.finishCleanedOutput();
  }
  const std::string err = ::testing::internal::GetCapturedStderr();
  const std::string warning = "WARNING: FDC file s.c.fdc gives one instrumentation ID to several "
                              "functions; the cleaned trace may not keep all of their hits\n";
  const std::size_t first = err.find(warning);
  ASSERT_NE(first, std::string::npos) << err;
  EXPECT_EQ(err.find(warning, first + 1), std::string::npos) << "once per file: " << err;
}

} // namespace
