// The tests of each item: the compact sets of test ordinals and their recording
// at the end of each test.
#include "report/test_attribution.h"

#include <algorithm>
#include <string>

#include "fdc_test_helpers.h"
#include "report/test_set.h"

namespace {

TEST(TestSet, RunsWhileFewThenABitmapThatHoldsTheSame) {
  TestSet runs;
  EXPECT_TRUE(runs.empty());
  for (uint32_t o : {3u, 4u, 5u, 5u, 900u, 901u, 4000u})
    runs.add(o);
  EXPECT_FALSE(runs.isBitmap());
  EXPECT_EQ(runs.ordinals(), (std::vector<uint32_t>{3, 4, 5, 900, 901, 4000}));
  EXPECT_EQ(runs.size(), 6u);
  EXPECT_EQ(runs.bytes(), 4 * sizeof(uint32_t)); // two runs; the last is in the record
  EXPECT_TRUE(runs.contains(901));
  EXPECT_FALSE(runs.contains(899));
  EXPECT_FALSE(runs.contains(4001));
  // Runs of one test each until bits are smaller: 132 words from 0 up to the
  // word of 4200, held in the record.
  std::vector<uint32_t> more = runs.ordinals();
  for (uint32_t o = 4002; o <= 4200; o += 2) {
    runs.add(o);
    more.push_back(o);
  }
  EXPECT_TRUE(runs.isBitmap());
  EXPECT_EQ(runs.bytes(), (4200 / 32 + 1) * sizeof(uint32_t));
  EXPECT_EQ(runs.ordinals(), more);

  // Every other test of 10,000 from 5,000 on: a bitmap from the first word held.
  TestSet sparse;
  std::vector<uint32_t> expected;
  for (uint32_t o = 5000; o < 10000; o += 2) {
    sparse.add(o);
    expected.push_back(o);
  }
  EXPECT_TRUE(sparse.isBitmap());
  EXPECT_EQ(sparse.ordinals(), expected);
  EXPECT_EQ(sparse.size(), expected.size());
  EXPECT_LE(sparse.bytes(), (10000 - 4992) / 8 + 2 * sizeof(uint32_t));
  EXPECT_TRUE(sparse.contains(5000));
  EXPECT_FALSE(sparse.contains(5001));
  EXPECT_FALSE(sparse.contains(31));
  EXPECT_FALSE(sparse.contains(20000));
  sparse.add(9998); // the last one again
  EXPECT_EQ(sparse.size(), expected.size());

  // One long run is held in the record whatever its length.
  TestSet all;
  for (uint32_t o = 0; o < 10000; ++o)
    all.add(o);
  EXPECT_FALSE(all.isBitmap());
  EXPECT_EQ(all.bytes(), 0u);
  EXPECT_EQ(all.size(), 10000u);
}

TEST(TestSet, AnyIncreasingSequenceComesBackWhole) {
  // Sequences of every density, gaps of runs and of bits: what goes in comes out.
  uint64_t state = 12345;
  const auto next = [&] {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<uint32_t>(state >> 33);
  };
  for (uint32_t density : {1u, 2u, 5u, 30u, 200u}) {
    for (int round = 0; round < 20; ++round) {
      TestSet set;
      std::vector<uint32_t> expected;
      uint32_t ordinal = next() % 100;
      for (int i = 0; i < 500; ++i) {
        set.add(ordinal);
        if (expected.empty() || expected.back() != ordinal) expected.push_back(ordinal);
        // Repeats, neighbours and jumps.
        const uint32_t step = next() % (density + 1);
        ordinal += step == 0 && next() % 2 ? 0 : 1 + step * (next() % 3 == 0 ? 40 : 1);
      }
      ASSERT_EQ(set.ordinals(), expected) << density << " " << round;
      ASSERT_EQ(set.size(), expected.size());
      EXPECT_TRUE(set.contains(expected.back()));
      // Made at once, as runs or as a bitmap: the same ordinals.
      TestSet made;
      made.assign(expected.data(), expected.size());
      ASSERT_EQ(made.ordinals(), expected) << density << " " << round;
      made.add(expected.back() + 33);
      EXPECT_TRUE(made.contains(expected.back() + 33));
      EXPECT_EQ(made.size(), expected.size() + 1);
    }
  }
}

class TestAttributionTest : public FdcTest {};

TEST_F(TestAttributionTest, EachItemKeepsTheTestsThatHitIt) {
  load("a.fdc", header("PR BS BI CO CC") + "PR 0 proc \"f\" 1 1\n"
                                           "BL 0 simple \"f\" body 2 6\n"
                                           "CE 0 \"f\" \"a\" 3 3\n"
                                           "CE 2 \"f\" \"b\" 3 3\n"
                                           "CC 4 2 0 2 4 A..\n"
                                           "BL 1 implicit \"f\" else 3 4\n"
                                           "PR 1 proc \"g\" 8 8\n"
                                           "BL 2 simple \"g\" body 9 9\n"
                                           "DC 1 2\n");
  SourceFile &file = *model.files().back();
  Service &f = *serviceNamed(file, "f");
  Service &g = *serviceNamed(file, "g");
  {
    TestAttribution attribution;
    const auto runTest = [&](const char *name,
                             std::initializer_list<std::pair<int, uint32_t>> branches) {
      for (const auto &[kind, id] : branches)
        hits.markTraceBranch(file, kind, id, 1, false);
      hits.updateModifiedConditions();
      attribution.testEnded(hits.servicesHitInTest(), internName(name));
      hits.resetTestHits();
    };
    // Test 0 hits f's entry, body and a True; test 1 g only; test 2 f's entry,
    // a False and b both ways (a modified condition is then found hit).
    runTest("t0", {{1, 0}, {3, 0}, {4, 0}});
    runTest("t1", {{1, 1}, {3, 2}});
    runTest("t2", {{1, 0}, {4, 1}, {4, 2}, {4, 3}});
    runTest("t3", {});

    EXPECT_EQ(attribution.testCount(), 4u);
    EXPECT_STREQ(attribution.testName(1), "t1");
    const auto tests = [&](const Service &service, const HitState &item) {
      const TestSet *set = attribution.testsOf(service, item);
      return set ? set->ordinals() : std::vector<uint32_t>{};
    };
    EXPECT_EQ(tests(f, f.entry), (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(tests(f, f.blocks[0].branch), (std::vector<uint32_t>{0}));
    EXPECT_EQ(tests(f, f.blocks[1].branch), std::vector<uint32_t>{});
    EXPECT_EQ(tests(f, f.conditions[0].branch), (std::vector<uint32_t>{0}));
    EXPECT_EQ(tests(f, f.conditions[1].branch), (std::vector<uint32_t>{2}));
    EXPECT_EQ(tests(g, g.entry), (std::vector<uint32_t>{1}));
    EXPECT_EQ(tests(g, g.blocks[0].branch), (std::vector<uint32_t>{1}));
    // The modified condition found hit in test 2 keeps its hit in later tests; it
    // is not hit by traces and has no tests.
    ASSERT_FALSE(f.compositions.empty());
    ASSERT_FALSE(f.compositions[0].items.empty());
    EXPECT_EQ(tests(f, f.compositions[0].items[0]), std::vector<uint32_t>{});
    std::size_t itemsWithTests = 0;
    attribution.forEachHitItem(f, [&](const HitState &, const TestSet &) { ++itemsWithTests; });
    EXPECT_EQ(itemsWithTests, 6u); // entry, body, both outcomes of a and of b
    EXPECT_GT(attribution.bytes(), 0u);
    hits.forgetSettledHits();
  }

  // Restricted to g, the tests of f's items are not recorded.
  TestAttribution onlyG;
  std::vector<bool> recorded(std::max(f.index, g.index) + 1, false);
  recorded[g.index] = true;
  onlyG.recordOnly(recorded);
  hits.markTraceBranch(file, 1, 0, 1, false);
  hits.markTraceBranch(file, 1, 1, 1, false);
  hits.updateModifiedConditions();
  onlyG.testEnded(hits.servicesHitInTest(), internName("both"));
  hits.resetTestHits();
  EXPECT_EQ(onlyG.testsOf(f, f.entry), nullptr);
  ASSERT_NE(onlyG.testsOf(g, g.entry), nullptr);
  EXPECT_EQ(onlyG.testsOf(g, g.entry)->ordinals(), (std::vector<uint32_t>{0}));
}

TEST_F(TestAttributionTest, ManyItemsAndTestsAtRandomGiveTheTestsOfEachItem) {
  // A service of 1 + 70 items (masks of three words) and one of 2, hit at random
  // by 300 tests, sparsely or densely: each item's tests are those that hit it.
  constexpr uint32_t kBlocks = 70;
  std::string fdc = header("PR BS") + "PR 0 proc \"f\" 1 1\n";
  for (uint32_t b = 0; b < kBlocks; ++b)
    fdc += "BL " + std::to_string(b) + " simple \"f\" body " + std::to_string(2 + b) + " " +
           std::to_string(2 + b) + "\n";
  fdc += "PR 1 proc \"g\" 100 100\nBL " + std::to_string(kBlocks) +
         " simple \"g\" body 101 101\nDC 1 3\n";
  load("m.fdc", fdc);
  SourceFile &file = *model.files().back();
  Service &f = *serviceNamed(file, "f");
  Service &g = *serviceNamed(file, "g");
  uint64_t state = 987654321;
  const auto next = [&] {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<uint32_t>(state >> 33);
  };
  // expected[0..kBlocks]: f's entry then its blocks; then g's entry and block.
  std::vector<std::vector<uint32_t>> expected(kBlocks + 3);
  TestAttribution attribution;
  for (uint32_t test = 0; test < 300; ++test) {
    const uint32_t density = test < 100 ? 3 : test < 200 ? 50 : 97; // percent
    const auto hit = [&](std::size_t at, int kind, uint32_t id) {
      if (next() % 100 >= density) return;
      hits.markTraceBranch(file, kind, id, 1, false);
      expected[at].push_back(test);
    };
    hit(0, 1, 0);
    for (uint32_t b = 0; b < kBlocks; ++b)
      hit(1 + b, 3, b);
    if (test % 7 == 0) {
      hit(kBlocks + 1, 1, 1);
      hit(kBlocks + 2, 3, kBlocks);
    }
    hits.updateModifiedConditions();
    attribution.testEnded(hits.servicesHitInTest(),
                          internName(("t" + std::to_string(test)).c_str()));
    hits.resetTestHits();
  }
  ASSERT_EQ(attribution.testCount(), 300u);
  const auto tests = [&](const Service &service, const HitState &item) {
    const TestSet *set = attribution.testsOf(service, item);
    return set ? set->ordinals() : std::vector<uint32_t>{};
  };
  EXPECT_EQ(tests(f, f.entry), expected[0]);
  ASSERT_EQ(f.blocks.size(), kBlocks);
  for (uint32_t b = 0; b < kBlocks; ++b)
    EXPECT_EQ(tests(f, f.blocks[b].branch), expected[1 + b]) << "block " << b;
  EXPECT_EQ(tests(g, g.entry), expected[kBlocks + 1]);
  EXPECT_EQ(tests(g, g.blocks[0].branch), expected[kBlocks + 2]);
  // Read again: the same sets.
  EXPECT_EQ(tests(f, f.blocks[kBlocks - 1].branch), expected[kBlocks]);
  hits.forgetSettledHits();
}

} // namespace
