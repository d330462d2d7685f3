// Finding branches and source files: the walk from the current service, the
// per-kind index that must answer as the walk does, and the file identities.
#include "fdc_test_helpers.h"
#include "model/branch_lookup.h"
#include "model/model_builder.h"
#include "model/service_cursor.h"

#include <random>

namespace {

// Three services; procedure point 5 and call 0 are held by f and h, condition 2
// by g and h.
const std::string kThreeServices = header() + "PR 0 proc \"f\" 1 9\n"
                                              "PR 5 endproc \"f\" 9 9\n"
                                              "AP 0 \"f\" \"x\" 2 2\n"
                                              "CE 0 \"f\" \"(a)\" 3 3\n"
                                              "PR 1 proc \"g\" 10 19\n"
                                              "CE 2 \"g\" \"(b)\" 11 11\n"
                                              "BL 0 implicit \"g\" b0 12 12\n"
                                              "PR 2 proc \"h\" 20 29\n"
                                              "PR 5 return \"h\" 25 25\n"
                                              "AP 0 \"h\" \"y\" 21 21\n"
                                              "CA 2 \"h\" \"(c)\" 22 22\n"
                                              "DC 1\n";

TEST_F(FdcTest, SharedIdsAreFoundFromTheCurrentServiceOnwards) {
  load("a.fdc", kThreeServices);
  SourceFile &file = *model.files()[0];
  Service *f = serviceNamed(file, "f"), *g = serviceNamed(file, "g"), *h = serviceNamed(file, "h");

  // No current service: the first holder, f; it becomes current.
  BranchLookup found = hits.findBranch(file, KindProcPoint, 5);
  ASSERT_TRUE(found);
  EXPECT_EQ(found.service, f);
  EXPECT_EQ(found.type, CovFunctionsExits);
  EXPECT_EQ(hits.currentService(), f);

  // From g onwards h comes before f; h becomes current and keeps answering.
  hits.findBranch(file, KindProcPoint, 1);
  EXPECT_EQ(hits.currentService(), g);
  found = hits.findBranch(file, KindCall, 0);
  EXPECT_EQ(found.service, h);
  EXPECT_STREQ(h->calls[found.entryIndex].calledName->text, "y");
  EXPECT_EQ(hits.findBranch(file, KindProcPoint, 5).branch, &h->exits[0].branch);

  // Condition 2 is g's True outcome and h's single condition: from h, h's.
  found = hits.findBranch(file, KindCondition, 2);
  EXPECT_EQ(found.service, h);
  EXPECT_EQ(found.type, CovBasicConditions);
  EXPECT_EQ(h->conditions[found.entryIndex].kind, CondSingle);

  // From h, an ID that only f holds wraps round to f.
  found = hits.findBranch(file, KindCondition, 0);
  EXPECT_EQ(found.service, f);
  // From f, condition 2 is g's: f does not hold it, g comes next.
  EXPECT_EQ(hits.findBranch(file, KindCondition, 2).service, g);

  // A failed lookup leaves the current service alone.
  EXPECT_FALSE(hits.findBranch(file, KindCondition, 99));
  EXPECT_FALSE(hits.findBranch(file, 5, 0));
  EXPECT_EQ(hits.currentService(), g);

  // findSourceFile clears the current service: the search starts at f again.
  hits.findSourceFile(file.fileKey, file.checksum);
  EXPECT_EQ(hits.currentService(), nullptr);
  EXPECT_EQ(hits.findBranch(file, KindCall, 0).service, f);
}

TEST_F(FdcTest, LookupTypesFollowTheHoldingList) {
  load("a.fdc", kThreeServices);
  SourceFile &file = *model.files()[0];
  EXPECT_EQ(hits.findBranch(file, KindProcPoint, 0).type, CovFunctions);
  EXPECT_EQ(hits.findBranch(file, KindBlock, 0).type, CovImplicitBlocks);
  EXPECT_EQ(hits.findBranch(file, KindCall, 0).type, CovCalls);
  EXPECT_EQ(findBranchInService(*serviceNamed(file, "g"), KindCondition, 3).type,
            CovBasicConditions);
  EXPECT_FALSE(findBranchInService(*serviceNamed(file, "g"), KindCall, 0));
}

TEST_F(FdcTest, HugeIdsStayOutOfTheDenseIndex) {
  load("a.fdc", header() + "PR 0 proc \"f\" 1 1\nPR 4000000000 endproc \"f\" 2 2\n"
                           "PR 1 return \"f\" 2 2\nDC 1\n");
  SourceFile &file = *model.files()[0];
  EXPECT_LE(file.branchIndex[0].dense.size(), 2u * 3 + 64);
  BranchLookup found = hits.findBranch(file, KindProcPoint, 4000000000u);
  ASSERT_TRUE(found);
  EXPECT_EQ(found.branch->firstLine, 2u);
  EXPECT_EQ(hits.findBranch(file, KindProcPoint, 1).branch->id, 1u);
  EXPECT_FALSE(hits.findBranch(file, KindProcPoint, 3999999999u));
}

TEST_F(FdcTest, IndexAnswersAsTheWalk) {
  // Random services whose IDs repeat within and across services, with some far
  // beyond the branch counts; every lookup through the index must return what
  // the documented walk returns from the same current service.
  std::mt19937 random(12345);
  auto file = std::make_unique<SourceFile>();
  const int kServices = 7;
  for (int s = 0; s < kServices; ++s) {
    auto service = std::make_unique<Service>();
    service->name = internName(("s" + std::to_string(s)).c_str());
    auto id = [&]() -> uint32_t {
      return random() % 10 == 0 ? 3000000000u + random() % 5 : random() % 60;
    };
    if (random() % 2) {
      service->hasEntry = true;
      service->entry.id = id();
      ++file->procedureBranchCount;
    }
    for (int i = random() % 12; i > 0; --i, ++file->procedureBranchCount)
      service->exits.push_back(ExitEntry{Branch{{}, id(), 0, 0}, ExitReturn});
    for (int i = random() % 12; i > 0; --i, ++file->callBranchCount)
      service->calls.push_back(CallEntry{Branch{{}, id(), 0, 0}, nullptr});
    for (int i = random() % 12; i > 0; --i, ++file->blockBranchCount)
      service->blocks.push_back(
          BlockEntry{Branch{{}, id(), 0, 0}, static_cast<uint8_t>(random() % 4), "b"});
    for (int i = random() % 12; i > 0; --i, ++file->conditionBranchCount) {
      ConditionEntry entry;
      entry.branch.id = id();
      entry.kind = static_cast<uint8_t>(random() % 3);
      service->conditions.push_back(entry);
    }
    file->services.push_back(std::move(service));
  }
  buildBranchIndex(*file);
  ASSERT_TRUE(file->branchIndexBuilt);

  int found = 0;
  ServiceCursor cursor;
  for (int step = 0; step < 20000; ++step) {
    if (random() % 50 == 0) cursor.clear();
    if (random() % 50 == 0) cursor.set(*file, *file->services[random() % kServices]);
    const int kind = 1 + static_cast<int>(random() % 4);
    const uint32_t id =
        random() % 10 == 0 ? 3000000000u + random() % 6 : static_cast<uint32_t>(random() % 64);
    const Service *before = cursor.current();
    const BranchLookup expected = findBranchByWalk(*file, before, kind, id);
    const BranchLookup actual = findBranch(cursor, *file, kind, id);
    ASSERT_EQ(actual.branch, expected.branch) << "kind " << kind << " id " << id;
    if (!expected) {
      ASSERT_EQ(cursor.current(), before);
      continue;
    }
    ++found;
    ASSERT_EQ(actual.service, expected.service);
    ASSERT_EQ(actual.type, expected.type);
    ASSERT_EQ(actual.entryIndex, expected.entryIndex);
    ASSERT_EQ(cursor.current(), expected.service);
  }
  EXPECT_GT(found, 5000);
}

TEST_F(FdcTest, SourceFilesAreFoundByKeyAndChecksum) {
  load("a.fdc", header("PR") + "PR 0 proc \"f\" 1 1\nDC 1 100\n");
  load("b.fdc", header("PR") + "PR 0 proc \"f\" 1 1\nDC 2 100\n");
  SourceFile *a = model.files()[0].get();
  SourceFile *b = model.files()[1].get();
  bool otherVersion = true;
  EXPECT_EQ(model.findSourceFile(100, a->checksum, &otherVersion), a);
  EXPECT_TRUE(otherVersion);
  EXPECT_EQ(model.findSourceFile(100, b->checksum, &otherVersion), b);
  EXPECT_EQ(model.findSourceFile(100, 7, &otherVersion), nullptr);
  EXPECT_TRUE(otherVersion);
  EXPECT_EQ(model.findSourceFile(101, a->checksum, &otherVersion), nullptr);
  EXPECT_FALSE(otherVersion);

  // Placeholders are found too, after the sections, but never make another version.
  auto placeholder = std::make_unique<SourceFile>();
  placeholder->placeholder = true;
  placeholder->fileKey = 200;
  placeholder->checksum = 5;
  SourceFile &registered = model.registerSourceFile(std::move(placeholder));
  EXPECT_EQ(model.findSourceFile(200, 5, &otherVersion), &registered);
  EXPECT_EQ(model.findSourceFile(200, 6, &otherVersion), nullptr);
  EXPECT_FALSE(otherVersion);

  // Two equal sections of one FDC file: the first in list order answers, which is
  // the later one in the file.
  load("c.fdc", header("PR") + "PR 0 proc \"f\" 1 1\nDC 3 300\n@/RIK@\n" + header("PR") +
                    "PR 0 proc \"g\" 1 1\nDC 3 300\n");
  SourceFile *found = model.findSourceFile(300, model.files()[3]->checksum);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found, model.files()[3].get());
  EXPECT_STREQ(found->services[0]->name->text, "g");
}

TEST_F(FdcTest, ServicesAreSelectedByNameIdentity) {
  SourceFile file;
  ModelBuilder builder(model);
  Service &f = builder.selectService(file, internName("f"));
  Service &g = builder.selectService(file, internName("g"));
  EXPECT_EQ(&builder.selectService(file, internName("f")), &f);
  EXPECT_EQ(builder.currentService(), &f);
  ASSERT_EQ(file.services.size(), 2u);
  EXPECT_EQ(g.ordinal, 1u);
  EXPECT_EQ(g.firstLine, 0xFFFFFFFFu);
  EXPECT_EQ(g.lastLine, 0u);
  // A service added to the list by other means is found as well.
  auto added = std::make_unique<Service>();
  added->name = internName("k");
  Service *k = added.get();
  file.services.push_back(std::move(added));
  EXPECT_EQ(&builder.selectService(file, internName("k")), k);
  EXPECT_EQ(file.services.size(), 3u);
}

} // namespace
