// Counting hits: first-hit rules, saturation, trace hits, modified conditions and
// the per-test reset.
#include "fdc_test_helpers.h"
#include "model/hit_counting.h"

namespace {

constexpr uint32_t kCeiling = 2147483647u;

TEST(MarkBranchHit, EntryHitTwiceCountsOncePerTestAndOncePerRun) {
  Service service;
  Branch entry;
  markBranchHit(service, entry, CovFunctions, 1, false);
  markBranchHit(service, entry, CovFunctions, 1, false);
  EXPECT_EQ(service.testCovered[CntFunctions], 1u);
  EXPECT_EQ(service.testCovered[CntFunctionsExits], 1u);
  EXPECT_EQ(service.totalCovered[CntFunctionsExits], 1u);
  EXPECT_EQ(entry.flags, FlagHitSinceLook | FlagEverHit);

  // The next test: counted again in the test, not in the run.
  entry.hits = 0;
  service.testCovered.clear();
  entry.flags &= ~FlagHitSinceLook;
  markBranchHit(service, entry, CovFunctions, 3, false);
  EXPECT_EQ(service.testCovered[CntFunctionsExits], 1u);
  EXPECT_EQ(service.totalCovered[CntFunctionsExits], 1u);
  EXPECT_EQ(entry.hits, 3u);
  EXPECT_EQ(entry.totalHits, 3u);
  EXPECT_TRUE(entry.flags & FlagHitSinceLook);
}

TEST(MarkBranchHit, EachTypeFeedsItsCounter) {
  const std::pair<uint16_t, int> types[] = {{CovFunctionsExits, CntFunctionsExits},
                                            {CovCalls, CntCalls},
                                            {CovStatementBlocks, CntStatementBlocks},
                                            {CovImplicitBlocks, CntImplicitBlocks},
                                            {CovLoops, CntLoops},
                                            {CovAsyncBlocks, CntAsyncBlocks},
                                            {CovBasicConditions, CntBasicConditions},
                                            {CovModifiedConditions, CntModifiedConditions},
                                            {CovCompoundConditions, CntCompoundConditions}};
  for (auto [type, counter] : types) {
    Service service;
    Branch branch;
    markBranchHit(service, branch, type, 1, false);
    for (int i = 0; i < CntCount; ++i) {
      EXPECT_EQ(service.testCovered[i], i == counter ? 1u : 0u) << type << " " << i;
      EXPECT_EQ(service.totalCovered[i], i == counter ? 1u : 0u) << type << " " << i;
    }
  }
  Service service;
  Branch branch;
  markBranchHit(service, branch, CovForcedConditions, 1, false);
  EXPECT_FALSE(service.testCovered.any());
  EXPECT_FALSE(service.totalCovered.any());
  EXPECT_EQ(branch.hits, 1u);
}

TEST(MarkBranchHit, AddingSaturatesWithoutWrapping) {
  struct Case {
    /// Counter before the hit.
    uint32_t before;
    /// Count added.
    uint32_t count;
    /// Counter after it.
    uint32_t after;
  } cases[] = {
      {kCeiling - 10, 10, kCeiling}, // exactly reaches the ceiling
      {kCeiling - 10, 11, kCeiling}, {kCeiling - 11, 10, kCeiling - 1},
      {kCeiling, 1, kCeiling},       {5, 0xFFFFFFFFu, kCeiling}, // a huge count must not wrap round
      {0x80000000u, 0, kCeiling},    {7, 3, 10},
  };
  for (const Case &c : cases) {
    Service service;
    Branch branch;
    branch.hits = c.before;
    branch.totalHits = c.before;
    markBranchHit(service, branch, CovCalls, c.count, true);
    EXPECT_EQ(branch.hits, c.after) << c.before << " + " << c.count;
    EXPECT_EQ(branch.totalHits, c.after) << c.before << " + " << c.count;
  }
  // Without the add flag the count replaces the value.
  Service service;
  Branch branch;
  branch.hits = 50;
  markBranchHit(service, branch, CovCalls, 0xFFFFFFFFu, false);
  EXPECT_EQ(branch.hits, 0xFFFFFFFFu);
}

const std::string kComposition = header() + "PR 0 proc \"f\" 1 9\n"
                                            "CE 0 \"f\" \"(a)\" 2 2\n"
                                            "CE 2 \"f\" \"(b)\" 3 3\n"
                                            "CC 4 2 0 2 4 A..\n"
                                            "DC 1\n";

TEST_F(FdcTest, TraceHitsCountInTheHoldingService) {
  load("a.fdc", kComposition);
  SourceFile &file = *model.files()[0];
  Service &f = *file.services[0];
  hits.markTraceBranch(file, KindCondition, 1, 4, true);
  hits.markTraceBranch(file, KindCondition, 1, 4, true);
  EXPECT_EQ(f.conditions[1].branch.hits, 8u);
  EXPECT_EQ(f.testCovered[CntBasicConditions], 1u);
  hits.markTraceBranch(file, KindCondition, 7, 1, false);
  EXPECT_EQ(f.testCovered[CntCompoundConditions], 1u);
  EXPECT_EQ(f.conditions[7].branch.hits, 1u);
}

TEST_F(FdcTest, UnknownTraceBranchIsFatal) {
  const std::string path = load("a.fdc", kComposition);
  SourceFile &file = *model.files()[0];
  EXPECT_EXIT(
      hits.markTraceBranch(file, KindCall, 12, 1, false), ::testing::ExitedWithCode(7),
      exactly(fatalFrame(
          "Cannot find instrumentation ID for specified trace in FDC file " + path +
          "\nDescription:\n The instrumentation id 12 for a coverage branch cannot be found in any "
          "of the function/procedures/methods of this FDC file\n It indicates that the trace file "
          "is corrupted, for example because the runtime coverage information has been modified "
          "by the mean of a write access to an array using an out of bound index.\n Such "
          "information is stored in file-scope (static) struct variables.\n You may consider to "
          "first check your own static arrays write accesses.")));
}

TEST_F(FdcTest, ModifiedConditionNeedsBothVectorsOfAPair) {
  load("a.fdc", kComposition);
  SourceFile &file = *model.files()[0];
  Service &f = *file.services[0];
  ModifiedCondition &first = f.compositions[0].items[0];
  ModifiedCondition &second = f.compositions[0].items[1];

  // Cases 0..3 are IDs 4..7; the first condition's pair is (case 2, case 3).
  hits.markTraceBranch(file, KindCondition, 6, 1, false);
  hits.updateModifiedConditions();
  EXPECT_EQ(f.testCovered[CntModifiedConditions], 0u);
  hits.markTraceBranch(file, KindCondition, 7, 1, false);
  hits.updateModifiedConditions();
  EXPECT_EQ(f.testCovered[CntModifiedConditions], 1u);
  EXPECT_EQ(first.hits, 1u);
  EXPECT_EQ(second.hits, 0u);

  // A later test: vectors hit in an earlier test still count (FlagEverHit). The
  // reset leaves the item found hit as evaluating it again makes it: hit once,
  // counted in the test.
  hits.resetTestHits();
  EXPECT_EQ(first.hits, 1u);
  EXPECT_EQ(f.conditions[7].branch.hits, 0u);
  EXPECT_EQ(f.conditions[7].branch.totalHits, 1u);
  auto counters = [](const CoverageCounts &counts) {
    return std::vector<uint32_t>(counts.c, counts.c + CntCount);
  };
  const std::vector<uint32_t> onlyFirst = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0};
  EXPECT_EQ(counters(f.testCovered), onlyFirst);
  hits.updateModifiedConditions();
  EXPECT_EQ(counters(f.testCovered), onlyFirst);
  EXPECT_EQ(first.hits, 1u);
  hits.markTraceBranch(file, KindCondition, 5, 1, false);
  for (bool markAgain : {false, true}) {
    hits.updateModifiedConditions(markAgain);
    EXPECT_EQ(f.testCovered[CntModifiedConditions], 2u);
    EXPECT_EQ(f.totalCovered[CntModifiedConditions], 2u);
    EXPECT_EQ(second.hits, 1u);
  }
  EXPECT_EQ(f.modifiedConditionsHit, 2u);
  ASSERT_EQ(hits.modifiedConditionsHit().size(), 2u);
  EXPECT_EQ(hits.modifiedConditionsHit()[1].item, &second);

  // An item whose FlagHitSinceLook was cleared (as the CIO file does) gets it back
  // when marked again, and keeps it without.
  first.flags &= ~FlagHitSinceLook;
  hits.updateModifiedConditions(false);
  EXPECT_FALSE(first.flags & FlagHitSinceLook);
  hits.updateModifiedConditions(true);
  EXPECT_TRUE(first.flags & FlagHitSinceLook);
  EXPECT_EQ(f.testCovered[CntModifiedConditions], 2u);
}

TEST_F(FdcTest, ResetClearsEveryCurrentTestCount) {
  load("a.fdc", header() + "PR 0 proc \"f\" 1 9\nPR 1 return \"f\" 2 2\nAP 0 \"f\" \"g\" 3 3\n"
                           "BL 0 logical \"f\" b 4 4\nCA 0 \"f\" \"(a)\" 5 5\nDC 1\n");
  SourceFile &file = *model.files()[0];
  Service &f = *file.services[0];
  for (int kind = KindProcPoint; kind <= KindCondition; ++kind)
    hits.markTraceBranch(file, kind, 0, 2, false);
  hits.markTraceBranch(file, KindProcPoint, 1, 2, false);
  hits.resetTestHits();
  EXPECT_FALSE(f.testCovered.any());
  for (const Branch *branch : {&f.entry, &f.exits[0].branch, &f.calls[0].branch,
                               &f.blocks[0].branch, &f.conditions[0].branch}) {
    EXPECT_EQ(branch->hits, 0u);
    EXPECT_EQ(branch->totalHits, 2u);
  }
  const uint32_t total[CntCount] = {1, 2, 1, 0, 0, 1, 0, 1, 0, 0};
  for (int i = 0; i < CntCount; ++i)
    EXPECT_EQ(f.totalCovered[i], total[i]) << i;
}

TEST_F(FdcTest, UnionOfInstrumentedTypes) {
  EXPECT_EQ(model.unionOfInstrumentedTypes(), 0);
  load("a.fdc", header("PR AP") + "PR 0 proc \"f\" 1 1\nDC 1\n");
  load("b.fdc", header("CC CW") + "PR 0 proc \"f\" 1 1\nDC 2\n");
  EXPECT_EQ(model.unionOfInstrumentedTypes(), 0x0001 | 0x0004 | 0x0600 | 0x2000);
}

} // namespace
