// The items of a service as the outputs read them: their kinds, texts and the two
// lines of each, the item of a branch found by a lookup, and the items that the
// counters count.
#include "fdc_test_helpers.h"

#include "model/hit_counting.h"
#include "model/service_items.h"

namespace {

using Lines = std::vector<std::string>;

/// An item as "kind line/placed text detail" (an absent detail left out).
std::string describe(const ServiceItem &item) {
  std::string text = std::to_string(item.kind) + " " + std::to_string(item.line) + "/" +
                     std::to_string(item.placedLine) + " " + item.text;
  if (item.noPair) text += " (no pair)";
  if (item.detail) text += std::string(" ") + item.detail;
  return text;
}

Lines itemsOfType(const Service &service, CoverageTypes type) {
  Lines lines;
  forEachItemOfType(service, type, [&](const ServiceItem &item) {
    EXPECT_EQ(item.type, type);
    lines.push_back(describe(item));
  });
  return lines;
}

// Items whose two lines differ, and a modified condition without pair (rows TX,
// FT, FF with frontier 1: the second condition has none).
const std::string kService = header() + "PR 0 proc \"f\" 1 2\n"
                                        "BL 0 implicit \"f\" else 3 9\n"
                                        "BL 1 simple \"f\" then 4 8\n"
                                        "CE 0 \"f\" \"a\" 10 11\n"
                                        "CE 2 \"f\" \"b\" 12 13\n"
                                        "CC 4 2 0 2 3 TXFTFF 1\n"
                                        "CA 8 \"f\" \"one\" 6 7\n"
                                        "AP 0 \"f\" \"g\" 0 0\n"
                                        "PR 1 term \"f\" 14 15\n"
                                        "DC 1 1\n";

TEST_F(FdcTest, ItemsAreNamedOnOneLineAndPlacedOnAnother) {
  load("a.fdc", kService);
  const Service &f = *model.files()[0]->services.front();
  EXPECT_EQ(itemsOfType(f, CovFunctions), (Lines{"0 1/1 "}));
  EXPECT_EQ(itemsOfType(f, CovFunctionsExits), (Lines{"3 14/14 "}));
  // A call without a line sits on line 1.
  EXPECT_EQ(itemsOfType(f, CovCalls), (Lines{"4 0/1 g"}));
  EXPECT_EQ(itemsOfType(f, CovStatementBlocks), (Lines{"5 4/4 then"}));
  // An implicit block is named and placed where it ends.
  EXPECT_EQ(itemsOfType(f, CovImplicitBlocks), (Lines{"6 9/9 else"}));
  EXPECT_TRUE(itemsOfType(f, CovLoops).empty());
  // A condition of one outcome is named where it starts, placed where it ends.
  EXPECT_EQ(itemsOfType(f, CovBasicConditions),
            (Lines{"9 10/10 \"a\" True", "9 10/10 \"a\" False", "9 12/12 \"b\" True",
                   "9 12/12 \"b\" False", "9 6/7 \"one\""}));
  EXPECT_EQ(itemsOfType(f, CovModifiedConditions),
            (Lines{"10 10/10 \"a\" #1 (TX=T/FT=F), (TX=T/FF=F)", "10 12/12 \"b\" (no pair)"}));
  // Vectors are named where their decision starts and placed where it ends.
  EXPECT_EQ(itemsOfType(f, CovCompoundConditions),
            (Lines{"11 10/13 TX=T", "11 10/13 FT=F", "11 10/13 FF=F"}));
  EXPECT_TRUE(itemsOfType(f, CovForcedConditions).empty());
}

TEST_F(FdcTest, TheItemOfALookupIsTheItemOfTheEnumeration) {
  load("a.fdc", kService);
  SourceFile &file = *model.files()[0];
  const Service &f = *file.services.front();
  std::size_t found = 0;
  for (CoverageTypes type : {CovFunctions, CovFunctionsExits, CovCalls, CovStatementBlocks,
                             CovImplicitBlocks, CovBasicConditions, CovCompoundConditions})
    forEachItemOfType(f, type, [&](const ServiceItem &item) {
      const Branch &branch = static_cast<const Branch &>(*item.state);
      const int kind = item.kind <= ItemTerminationExit ? KindProcPoint
                       : item.kind == ItemCall          ? KindCall
                       : item.kind <= ItemAsyncBlock    ? KindBlock
                                                        : KindCondition;
      ServiceItem looked;
      ASSERT_TRUE(itemOfLookup(hits.findBranch(file, kind, branch.id), looked));
      EXPECT_EQ(describe(looked), describe(item));
      EXPECT_EQ(looked.state, item.state);
      EXPECT_EQ(looked.type, item.type);
      ++found;
    });
  EXPECT_EQ(found, 13u);
}

TEST_F(FdcTest, CountedItemsAddUpToTheStaticCounts) {
  load("a.fdc", kService);
  Service &f = *model.files()[0]->services.front();
  CoverageCounts counted;
  forEachCountedItem(f, [&](HitState &, CoverageTypes type) { countType(counted, type); });
  for (int i = 0; i < CntCount; ++i)
    EXPECT_EQ(counted[i], f.staticCounts[i]) << i;
  EXPECT_EQ(counted[CntBasicConditions], 5u);
  EXPECT_EQ(counted[CntCompoundConditions], 3u);
  EXPECT_EQ(counted[CntModifiedConditions], 2u);
}

} // namespace
