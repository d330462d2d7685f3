#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cli/report_options.h"
#include "model/coverage_model.h"
#include "model/model_builder.h"
#include "report/cio_file.h"
#include "report/report_scope.h"
#include "support/name_table.h"
#include "test_support.h"
#include "trace/test_state.h"

using ::testing::ExitedWithCode;

namespace {

/// One source file with one service whose items are set by each test.
class CioFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    static bool tableReady = false;
    if (!tableReady) {
      initNameTable();
      tableReady = true;
    }
    auto file = std::make_unique<SourceFile>();
    file->sourceName = internName("f.c");
    file->instrumentedTypes = CovStatementBlocks | CovCalls;
    file_ = &model_.registerSourceFile(std::move(file));
    service_ = &ModelBuilder(model_).selectService(*file_, internName("s"));
    test_.testNumber = 7;
    test_.groupNumber = 3;
    test_.traceFileName = "run.tio";
  }

  /// The CIO text written by `write` after the three header lines.
  template <typename Write>
  std::string records(CoverageTypes mask, Write &&write, const CoverageCounts &rootTotals = {},
                      const CoverageCounts &rootHits = {}) {
    const ReportScope scope = buildReportScope(model_, options_);
    const std::string path = dir_.path() + "/out.cio";
    {
      CioFile cio(scope, mask);
      cio.openCio(path, 0);
      write(cio);
      cio.writeCioRoot(model_, rootTotals, rootHits);
    }
    std::string text = readFile(path);
    for (int line = 0; line < 3; ++line)
      text.erase(0, text.find('\n') + 1);
    return text;
  }

  TempDir dir_;
  CoverageModel model_;
  ReportOptions options_;
  TestState test_;
  SourceFile *file_ = nullptr;
  Service *service_ = nullptr;
};

TEST_F(CioFileTest, NewHitsCountOncePerGroupAndConsumeTheTestMark) {
  Service &s = *service_;
  s.hasEntry = true;
  s.entry.flags = FlagHitSinceLook;
  s.exits.resize(2);
  s.exits[0].branch.flags = FlagHitSinceLook | FlagCountedInGroup; // already counted
  s.exits[1].branch.flags = FlagEverHit;                           // hit earlier, not now
  s.calls.resize(1);
  s.calls[0].branch.flags = FlagHitSinceLook;
  for (uint8_t kind : {uint8_t{BlockSimple}, uint8_t{BlockImplicit}, uint8_t{BlockLogical},
                       uint8_t{BlockAsync}, uint8_t{9}}) {
    BlockEntry block;
    block.kind = kind;
    block.branch.flags = FlagHitSinceLook;
    s.blocks.push_back(block);
  }
  for (uint8_t kind :
       {uint8_t{CondBasic}, uint8_t{CondSingle}, uint8_t{CondCompoundVector}, uint8_t{5}}) {
    ConditionEntry condition;
    condition.kind = kind;
    condition.branch.flags = FlagHitSinceLook;
    s.conditions.push_back(condition);
  }
  s.compositions.resize(1);
  s.compositions[0].items.resize(2);
  s.compositions[0].items[0].flags = FlagHitSinceLook;

  const CoverageCounts first = countNewHits(s);
  EXPECT_EQ(first[CntFunctions], 1u);
  EXPECT_EQ(first[CntFunctionsExits], 1u) << "the entry; one exit was counted, one not hit";
  EXPECT_EQ(first[CntCalls], 1u);
  EXPECT_EQ(first[CntStatementBlocks], 1u);
  EXPECT_EQ(first[CntImplicitBlocks], 1u);
  EXPECT_EQ(first[CntLoops], 1u);
  EXPECT_EQ(first[CntAsyncBlocks], 1u) << "a block of an unknown kind counts nowhere";
  EXPECT_EQ(first[CntBasicConditions], 2u) << "both outcome kinds; an unknown kind nowhere";
  EXPECT_EQ(first[CntCompoundConditions], 1u);
  EXPECT_EQ(first[CntModifiedConditions], 1u);
  EXPECT_EQ(s.entry.flags, FlagCountedInGroup) << "test mark consumed, counted mark set";
  EXPECT_EQ(s.exits[1].branch.flags, FlagEverHit) << "an item not hit is not counted";
  EXPECT_EQ(s.blocks[4].branch.flags, FlagCountedInGroup);
  EXPECT_EQ(s.compositions[0].items[1].flags, 0);

  // Hit again in the same group: nothing is new.
  s.entry.flags |= FlagHitSinceLook;
  s.calls[0].branch.flags |= FlagHitSinceLook;
  EXPECT_FALSE(countNewHits(s).any());
  EXPECT_EQ(s.calls[0].branch.flags, FlagCountedInGroup);
}

TEST_F(CioFileTest, RateLinesKeepTheRoundingLimitsAndNameMissingTotals) {
  service_->staticCounts[CntStatementBlocks] = 2000;
  service_->testCovered[CntStatementBlocks] = 1;
  service_->blocks.resize(1);
  service_->blocks[0].branch.flags = FlagHitSinceLook;
  CoverageCounts rootTotals;
  CoverageCounts rootHits;
  rootTotals[CntStatementBlocks] = 2000;
  rootHits[CntStatementBlocks] = 1999;
  const std::string text = records(
      CovCalls | CovStatementBlocks | CovLoops,
      [&](CioFile &cio) {
        cio.writeCioTest(test_);
        cio.writeCioGroup(test_);
      },
      rootTotals, rootHits);
  // No calls in a file instrumented for them: none; loops it was not: n/a. One of
  // 2000 shows 0.1, 1999 of 2000 shows 99.9.
  EXPECT_EQ(text, "T7\n"
                  " File f.c\n"
                  "    s\n"
                  "       Calls\tnone\n"
                  "       Statement blocks\t  0.1% (1/2000), +0.1 (+1)\n"
                  "       Loops\tn/a\n"
                  "O3\n"
                  " File f.c\n"
                  "    s\n"
                  "       Calls\tnone\n"
                  "       Statement blocks\t  0.1% (1/2000)\n"
                  "       Loops\tn/a\n"
                  "R\n"
                  " Summary\n"
                  "       Calls\tnone\n"
                  "       Statement blocks\t 99.9% (1999/2000)\n"
                  "       Loops\tn/a\n");
}

TEST_F(CioFileTest, NotesFollowTheFirstRecordsAndForcedLabelsTheForcedBit) {
  service_->staticCounts[CntModifiedConditions] = 4;
  service_->staticCounts[CntCompoundConditions] = 2000;
  const CoverageTypes mask = CovModifiedConditions | CovCompoundConditions | CovForcedConditions;
  CoverageCounts rootTotals;
  rootTotals[CntModifiedConditions] = 4;
  rootTotals[CntCompoundConditions] = 2000;
  const std::string text = records(
      mask,
      [&](CioFile &cio) {
        cio.writeCioTest(test_);
        cio.writeCioTest(test_);
        cio.writeCioGroup(test_);
        cio.writeCioTest(test_);
        cio.writeCioGroup(test_);
      },
      rootTotals);
  const std::string nothing = " Coverage analysis : nothing was hit\n";
  EXPECT_EQ(
      text.substr(0, text.find("R\n")),
      "T7\n" + nothing + "T7\n (For modified conditions, previous tests are taken into account)\n" +
          nothing + "O3\n" + nothing + "T7\n" +
          " (For modified conditions, previous tests and services are taken into account)\n" +
          nothing + "O3\n (For modified conditions, previous services are taken into account)\n" +
          nothing);
  EXPECT_NE(text.find("       Forced modified conditions\t  0.0% (0/4)\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("       Forced multiple conditions\t  0.0% (0/2000)\n"), std::string::npos)
      << text;
}

TEST_F(CioFileTest, RecordsWithoutTheirNumberAreFatal) {
  const ReportScope scope = buildReportScope(model_, options_);
  CioFile cio(scope, CovStatementBlocks);
  cio.openCio(dir_.path() + "/out.cio", 0);
  test_.testNumber = kNoNumber;
  EXPECT_EXIT(cio.writeCioTest(test_), ExitedWithCode(7),
              "FATAL ERROR: No current test number in file run.tio");
  test_.groupNumber = kNoNumber;
  EXPECT_EXIT(cio.writeCioGroup(test_), ExitedWithCode(7),
              "FATAL ERROR: No current service number in file run.tio");
}

} // namespace
