// Marking runs of trace hits (MarkTraceHits) must leave the model exactly as
// marking them one by one with markTraceBranch: counters, flags, per-service
// counts and the current service, whatever the IDs (held by several services,
// beyond the dense index), counts, adding and kinds asked for, and across
// resets and flag changes made by others.
#include "fdc_test_helpers.h"
#include "model/branch_lookup.h"

#include <random>

namespace {

/// A file of seven services whose IDs repeat within and across services, with
/// some far beyond the branch counts; the same seed gives the same file.
SourceFile &addRandomFile(CoverageModel &model, unsigned seed) {
  std::mt19937 random(seed);
  auto file = std::make_unique<SourceFile>();
  file->fdcName = "random.fdc";
  auto id = [&]() -> uint32_t {
    return random() % 12 == 0 ? 3000000000u + random() % 3 : random() % 40;
  };
  for (int s = 0; s < 7; ++s) {
    auto service = std::make_unique<Service>();
    service->name = internName(("s" + std::to_string(s)).c_str());
    if (random() % 3) {
      service->hasEntry = true;
      service->entry.id = id();
      ++file->procedureBranchCount;
    }
    for (int i = random() % 6; i > 0; --i, ++file->procedureBranchCount)
      service->exits.push_back(ExitEntry{Branch{{}, id(), 0, 0}, ExitReturn});
    for (int i = random() % 6; i > 0; --i, ++file->callBranchCount)
      service->calls.push_back(CallEntry{Branch{{}, id(), 0, 0}, nullptr});
    for (int i = random() % 9; i > 0; --i, ++file->blockBranchCount)
      service->blocks.push_back(
          BlockEntry{Branch{{}, id(), 0, 0}, static_cast<uint8_t>(random() % 4), "b"});
    for (int i = random() % 9; i > 0; --i, ++file->conditionBranchCount) {
      ConditionEntry entry;
      entry.branch.id = id();
      entry.kind = static_cast<uint8_t>(random() % 3);
      service->conditions.push_back(entry);
    }
    file->services.push_back(std::move(service));
  }
  SourceFile &registered = model.registerSourceFile(std::move(file));
  buildBranchIndex(registered);
  return registered;
}

/// Every branch of a file, in a fixed order.
std::vector<Branch *> branchesOf(SourceFile &file) {
  std::vector<Branch *> branches;
  for (auto &service : file.services) {
    if (service->hasEntry) branches.push_back(&service->entry);
    for (ExitEntry &entry : service->exits)
      branches.push_back(&entry.branch);
    for (CallEntry &entry : service->calls)
      branches.push_back(&entry.branch);
    for (BlockEntry &entry : service->blocks)
      branches.push_back(&entry.branch);
    for (ConditionEntry &entry : service->conditions)
      branches.push_back(&entry.branch);
  }
  return branches;
}

/// The hit state of a file and the position of the current service, as text.
std::string stateOf(const HitRecorder &recorder, SourceFile &file) {
  std::string text;
  for (const Branch *branch : branchesOf(file))
    text += std::to_string(branch->hits) + "/" + std::to_string(branch->totalHits) + "/" +
            std::to_string(branch->flags) + " ";
  for (auto &service : file.services)
    for (int i = 0; i < CntCount; ++i)
      text += std::to_string(service->testCovered[i]) + "," +
              std::to_string(service->totalCovered[i]) + " ";
  const Service *current = recorder.currentService();
  text += "current " + (current ? std::to_string(current->ordinal) : std::string("none"));
  return text;
}

TEST(MarkTraceHits, MarksAsOneLookupPerHit) {
  CoverageModel runs, single;
  SourceFile &runFile = addRandomFile(runs, 99);
  SourceFile &singleFile = addRandomFile(single, 99);
  HitRecorder runHits(runs), singleHits(single);

  // The hits that can be looked up: every (kind, ID) some service holds.
  std::vector<TraceHit> known;
  for (int kind = KindProcPoint; kind <= KindCondition; ++kind)
    for (auto &service : runFile.services)
      for (uint32_t id = 0; id < 40; ++id)
        if (findBranchInService(*service, kind, id))
          known.push_back(TraceHit{id, 1, static_cast<uint8_t>(kind)});
  for (const Branch *branch : branchesOf(runFile))
    if (branch->id >= 3000000000u)
      for (int kind = KindProcPoint; kind <= KindCondition; ++kind)
        if (runHits.findBranch(runFile, kind, branch->id))
          known.push_back(TraceHit{branch->id, 1, static_cast<uint8_t>(kind)});
  runHits.clearCurrentService();
  ASSERT_GT(known.size(), 30u);

  std::mt19937 random(7);
  std::vector<TraceHit> hits;
  for (int step = 0; step < 3000; ++step) {
    switch (random() % 12) {
    case 0:
      runHits.resetTestHits();
      singleHits.resetTestHits();
      break;
    case 1:
      // What a report writer may do between tests: clear FlagHitSinceLook of every branch.
      for (Branch *branch : branchesOf(runFile))
        branch->flags &= ~FlagHitSinceLook;
      for (Branch *branch : branchesOf(singleFile))
        branch->flags &= ~FlagHitSinceLook;
      runHits.forgetSettledHits();
      break;
    case 2:
      runHits.clearCurrentService();
      singleHits.clearCurrentService();
      break;
    default: {
      const bool add = random() % 4 == 0;
      const unsigned kinds = random() % 5 ? 0xF : random() % 16;
      hits.clear();
      for (int n = 1 + random() % 300; n > 0; --n) {
        TraceHit hit = known[random() % known.size()];
        const unsigned roll = random() % 20;
        hit.count = roll == 0 ? 0 : roll == 1 ? 1 + random() % 5 : roll == 2 ? 0x7FFFFFF0u : 1;
        hits.push_back(hit);
      }
      runHits.markTraceHits(runFile, hits.data(), hits.size(), kinds, add);
      for (const TraceHit &hit : hits)
        if (hit.count && (kinds >> (hit.kind - 1) & 1u))
          singleHits.markTraceBranch(singleFile, hit.kind, hit.id, hit.count, add);
      break;
    }
    }
    ASSERT_EQ(stateOf(runHits, runFile), stateOf(singleHits, singleFile)) << "step " << step;
  }
}

TEST_F(FdcTest, UnknownIdInARunIsFatalAfterTheHitsBeforeIt) {
  load("a.fdc", header() + "PR 0 proc \"f\" 1 9\nBL 0 simple \"f\" b 2 2\nDC 1\n");
  SourceFile &file = *model.files()[0];
  const TraceHit run[] = {{0, 1, KindBlock}, {0, 1, KindBlock}, {7, 1, KindBlock}};
  EXPECT_EXIT(
      {
        hits.markTraceHits(file, run, 3, 0xF, false);
        std::exit(0);
      },
      ::testing::ExitedWithCode(7),
      "Cannot find instrumentation ID for specified trace in FDC file .*a.fdc\nDescription:\n The "
      "instrumentation id 7 ");
  // Hits of kinds not asked for are not looked up at all.
  hits.markTraceHits(file, run, 3, 0xF & ~(1u << (KindBlock - 1)), false);
  EXPECT_EQ(file.services[0]->blocks[0].branch.hits, 0u);
}

} // namespace
