// The annotations of a listing: which items of a service each type mask brings,
// the line each is placed on, and the order of the entries of one line.
#include "fdc_test_helpers.h"

#include "listing/annotation_list.h"

namespace {

/// One entry as "line kind text detail" (absent parts left out), with a "hit" mark.
std::vector<std::string> describe(AnnotationList &list) {
  std::vector<std::string> lines;
  for (const ListingAnnotation &entry : list.entries()) {
    std::string line = std::to_string(entry.line) + " " + listingKindText(entry.kind);
    if (entry.text) line += std::string(" ") + entry.text;
    if (entry.detail) line += std::string(" ") + entry.detail;
    if (entry.hit) line += " (hit)";
    lines.push_back(line);
  }
  return lines;
}

using Lines = std::vector<std::string>;

class AnnotationListTest : public FdcTest {
protected:
  Service &loadService(const std::string &body, const std::string &types) {
    load("a.fdc", header(types) + body + "DC 1 1\n");
    return *model.files().back()->services.front();
  }
};

// Every kind of item on one line: the order is entry, exits, calls, blocks,
// basic conditions, modified conditions, compound vectors, each in list order.
const std::string kOneLine = "BL 0 simple \"f\" s 5 5\n"
                             "PR 0 endproc \"f\" 5 5\n"
                             "AP 0 \"f\" \"g\" 5 5\n"
                             "BL 1 logical \"f\" l 5 5\n"
                             "CE 0 \"f\" \"c\" 5 5\n"
                             "CC 2 1 0 2 TF 1\n"
                             "PR 1 proc \"f\" 5 5\n"
                             "PR 2 return \"f\" 5 5\n"
                             "CA 4 \"f\" \"d\" 5 5\n"
                             "BL 2 atc \"f\" a 5 5\n";

TEST_F(AnnotationListTest, OneLineKeepsTheOrderOfTheStepsAndOfEachList) {
  Service &service = loadService(kOneLine, "PR RE AP BS BI BL BA CO CC");
  AnnotationList list;
  list.addService(service, 0x07FF);
  EXPECT_EQ(describe(list), (Lines{
                                "5 Incoming",
                                "5 Regular leaving",
                                "5 Return",
                                "5 Call of g",
                                "5 Simple block s",
                                "5 Logical block l",
                                "5 Asynchronous transfer block a",
                                "5 Basic condition \"c\" True",
                                "5 Basic condition \"c\" False",
                                "5 Basic condition \"d\"",
                                "5 Modified condition \"c\" #1 (T=T/F=F)",
                                "5 Compound condition T=T",
                                "5 Compound condition F=F",
                            }));
}

TEST_F(AnnotationListTest, ForcedConditionsWithTheForcedBit) {
  Service &service = loadService(kOneLine, "PR RE AP BS BI BL BA CO CC CF");
  AnnotationList list;
  list.addService(service, CovBasicConditions | CovModifiedConditions | CovCompoundConditions |
                               CovForcedConditions);
  EXPECT_EQ(describe(list), (Lines{
                                "5 Basic condition \"c\" True",
                                "5 Basic condition \"c\" False",
                                "5 Basic condition \"d\"",
                                "5 Forced modified condition \"c\" #1 (T=T/F=F)",
                                "5 Forced compound condition T=T",
                                "5 Forced compound condition F=F",
                            }));
}

TEST_F(AnnotationListTest, ConditionsOfAnyKindNeedTheBasicConditionsBit) {
  Service &service = loadService(kOneLine, "PR RE AP BS BI BL BA CO CC");
  AnnotationList list;
  list.addService(service, CovModifiedConditions | CovCompoundConditions | CovForcedConditions);
  EXPECT_TRUE(list.entries().empty());
}

TEST_F(AnnotationListTest, BlockKindsNeedTheStatementBlocksBitAndTheirOwn) {
  Service &service = loadService(kOneLine, "PR RE AP BS BI BL BA CO CC");
  AnnotationList list;
  // Without statement blocks no block of any kind.
  list.addService(service, CovImplicitBlocks | CovLoops | CovAsyncBlocks);
  EXPECT_TRUE(list.entries().empty());
  list.clear();
  list.addService(service, CovStatementBlocks | CovAsyncBlocks);
  EXPECT_EQ(describe(list), (Lines{"5 Simple block s", "5 Asynchronous transfer block a"}));
  list.clear();
  // Exits without the entry, the entry without the exits.
  list.addService(service, CovFunctionsExits);
  EXPECT_EQ(describe(list), (Lines{"5 Regular leaving", "5 Return"}));
  list.clear();
  list.addService(service, CovFunctions | CovCalls);
  EXPECT_EQ(describe(list), (Lines{"5 Incoming", "5 Call of g"}));
}

TEST_F(AnnotationListTest, ItemsArePlacedOnTheirFirstOrLastLine) {
  Service &service = loadService("PR 0 proc \"f\" 1 2\n"
                                 "BL 0 implicit \"f\" else 3 9\n"
                                 "BL 1 simple \"f\" then 4 8\n"
                                 "CE 0 \"f\" \"a\" 10 11\n"
                                 "CE 2 \"f\" \"b\" 12 13\n"
                                 "CC 4 2 0 2 4 O..\n"
                                 "CA 8 \"f\" \"one\" 6 7\n"
                                 "PR 1 term \"f\" 14 15\n",
                                 "PR RE AP BS BI BL BA CO CC");
  AnnotationList list;
  list.addService(service, 0x07FF);
  // Implicit blocks, single-outcome conditions and compound vectors where they
  // end; everything else, modified conditions included, where it starts.
  EXPECT_EQ(describe(list), (Lines{
                                "1 Incoming",
                                "4 Simple block then",
                                "7 Basic condition \"one\"",
                                "9 Implicit block else",
                                "10 Basic condition \"a\" True",
                                "10 Basic condition \"a\" False",
                                "10 Modified condition \"a\" #1 (FF=F/TF=T)",
                                "12 Basic condition \"b\" True",
                                "12 Basic condition \"b\" False",
                                "12 Modified condition \"b\" #2 (FF=F/FT=T)",
                                "13 Compound condition FF=F",
                                "13 Compound condition TF=T",
                                "13 Compound condition FT=T",
                                "13 Compound condition TT=T",
                                "14 Termination",
                            }));
}

TEST_F(AnnotationListTest, ModifiedConditionWithoutPairSaysSo) {
  // Rows TX, FT, FF with frontier 1: the second condition has no pair.
  Service &service = loadService("CE 0 \"f\" \"x\" 20 20\nCE 2 \"f\" \"y\" 21 21\n"
                                 "CC 4 2 0 2 3 TXFTFF 1\n",
                                 "CO CC");
  AnnotationList list;
  list.addService(service, CovBasicConditions | CovModifiedConditions);
  const Lines lines = describe(list);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[2], "20 Modified condition \"x\" #1 (TX=T/FT=F), (TX=T/FF=F)");
  EXPECT_EQ(lines[5], "21 Modified condition \"y\" no vectors pair found");
}

TEST_F(AnnotationListTest, HitMarksComeFromTheRunsCumulatedHits) {
  Service &service = loadService("BL 0 simple \"f\" a 1 1\nBL 1 simple \"f\" b 2 2\n"
                                 "BL 2 simple \"f\" c 3 3\n",
                                 "BS");
  // Hit in an earlier test only: the run's mark is there.
  service.blocks[0].branch.flags = FlagEverHit;
  // The per-test count and the mark the CIO writer clears are not what is read.
  service.blocks[1].branch.flags = FlagHitSinceLook;
  service.blocks[1].branch.hits = 1;
  AnnotationList list;
  list.addService(service, CovStatementBlocks);
  EXPECT_EQ(describe(list),
            (Lines{"1 Simple block a (hit)", "2 Simple block b", "3 Simple block c"}));
}

TEST_F(AnnotationListTest, LineZeroJoinsLineOneInTheOrderAdded) {
  Service &service = loadService("BL 0 simple \"f\" one 1 1\n"
                                 "BL 1 simple \"f\" zero 0 0\n"
                                 "BL 2 simple \"f\" three 3 3\n"
                                 "BL 3 simple \"f\" two 2 2\n"
                                 "BL 4 simple \"f\" alsoone 1 1\n",
                                 "BS");
  AnnotationList list;
  list.addService(service, CovStatementBlocks);
  EXPECT_EQ(describe(list),
            (Lines{"1 Simple block one", "1 Simple block zero", "1 Simple block alsoone",
                   "2 Simple block two", "3 Simple block three"}));
}

TEST_F(AnnotationListTest, ServicesAddedTogetherAreMergedByLineServiceByService) {
  load("a.fdc", header("PR AP") +
                    "PR 0 proc \"outer\" 1 1\nAP 0 \"outer\" \"late\" 5 5\n"
                    "PR 1 proc \"inner\" 3 3\nAP 1 \"inner\" \"early\" 5 5\n"
                    "AP 2 \"outer\" \"last\" 6 6\nAP 3 \"inner\" \"mid\" 4 4\nDC 1 1\n");
  SourceFile &file = *model.files().back();
  AnnotationList list;
  for (const auto &service : file.services)
    list.addService(*service, CovFunctions | CovCalls);
  EXPECT_EQ(describe(list), (Lines{"1 Incoming", "3 Incoming", "4 Call of mid", "5 Call of late",
                                   "5 Call of early", "6 Call of last"}));
}

} // namespace
