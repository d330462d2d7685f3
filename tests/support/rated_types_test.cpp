// The table of rated coverage types: the value of each in counters, which lines a
// section shows, the names and keys, and the counter of each coverage-type bit.
#include <gtest/gtest.h>

#include <cstring>

#include "support/rated_types.h"

namespace {

TEST(RatedTypes, DecisionsAddStatementAndImplicitBlocksWithoutWrapping) {
  CoverageCounts counts;
  counts[CntStatementBlocks] = UINT32_MAX;
  counts[CntImplicitBlocks] = 3;
  EXPECT_EQ(ratedValue(counts, kRatedTypes[RatedDecisions]), uint64_t{UINT32_MAX} + 3);
  EXPECT_EQ(ratedValue(counts, kRatedTypes[RatedStatementBlocks]), UINT32_MAX);
  EXPECT_EQ(ratedValue(counts, kRatedTypes[RatedImplicitBlocks]), 3u);
}

TEST(RatedTypes, EachEntrySitsAtItsIdAndEachBitHasOneCounter) {
  for (int i = 0; i < RatedTypeCount; ++i)
    EXPECT_EQ(kRatedTypes[i].id, i);
  // Every rated bit is counted by the counter of its own line; decisions have none
  // of their own.
  for (const RatedType &rated : kRatedTypes)
    if (rated.id != RatedDecisions) {
      EXPECT_EQ(counterOfType(rated.type), rated.counter);
    }
  EXPECT_EQ(counterOfType(CovImplicitBlocks), CntImplicitBlocks);
  for (int none : {0, int{CovBlockCompanion}, int{CovForcedConditions}, int{CovCw}, int{CovBf},
                   CovCalls | CovLoops})
    EXPECT_EQ(counterOfType(static_cast<CoverageTypes>(none)), -1) << none;
}

TEST(RatedTypes, LinesShownUnderAMaskAndTheirTotals) {
  CoverageCounts totals;
  const CoverageTypes all = 0x0FFF;
  const RatedType &functions = kRatedTypes[RatedFunctions];
  const RatedType &exits = kRatedTypes[RatedFunctionsExits];
  const RatedType &blocks = kRatedTypes[RatedStatementBlocks];
  const RatedType &calls = kRatedTypes[RatedCalls];
  // Nothing to count: only the lines that do not depend on their totals.
  EXPECT_FALSE(isRatedTypeShown(functions, all, totals));
  EXPECT_FALSE(isRatedTypeShown(exits, all, totals));
  EXPECT_FALSE(isRatedTypeShown(blocks, all, totals));
  EXPECT_TRUE(isRatedTypeShown(calls, all, totals));
  EXPECT_TRUE(isRatedTypeShown(kRatedTypes[RatedDecisions], CovImplicitBlocks, totals));
  // An entry without exits shows the functions but not the functions and exits.
  totals[CntFunctions] = 1;
  totals[CntFunctionsExits] = 1;
  totals[CntStatementBlocks] = 2;
  EXPECT_TRUE(isRatedTypeShown(functions, all, totals));
  EXPECT_FALSE(isRatedTypeShown(exits, all, totals));
  EXPECT_TRUE(isRatedTypeShown(blocks, all, totals));
  totals[CntFunctionsExits] = 2;
  EXPECT_TRUE(isRatedTypeShown(exits, all, totals));
  // A bit left out of the mask hides its line whatever the totals.
  EXPECT_FALSE(isRatedTypeShown(exits, all & ~CovFunctionsExits, totals));
}

TEST(RatedTypes, NamesKeysAndKeywords) {
  const RatedType &modified = kRatedTypes[RatedModifiedConditions];
  EXPECT_STREQ(ratedTypeName(modified, CovModifiedConditions), "Modified conditions");
  EXPECT_STREQ(ratedTypeName(modified, CovModifiedConditions | CovForcedConditions),
               "Forced modified conditions");
  EXPECT_STREQ(ratedTypeName(kRatedTypes[RatedCompoundConditions], CovForcedConditions),
               "Forced multiple conditions");
  EXPECT_STREQ(ratedTypeName(kRatedTypes[RatedCalls], CovForcedConditions), "Calls");
  // The key of a bit is that of its own line, not that of the decisions.
  EXPECT_STREQ(coverageTypeKey(CovImplicitBlocks), "implicitBlocks");
  EXPECT_STREQ(coverageTypeKey(CovForcedConditions), "forcedConditions");
  EXPECT_STREQ(coverageTypeKey(CovBlockCompanion), "");
  for (const RatedType &rated : kRatedTypes)
    EXPECT_GT(std::strlen(rated.keyword), 0u);
}

} // namespace
