// Plain hit lines taken straight from the read buffer: what the scanner takes and
// where it stops, on every path (plain and vector) alike, what its filter leaves
// out, and a reading pass that reads every trace alike with and without it, with
// every path and with the trace read ahead in small blocks (model, messages, test
// boundaries, cleaned trace).
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <random>
#include <unistd.h>

#include "cli/report_options.h"
#include "failing_reads.h"
#include "model/branch_lookup.h"
#include "model/coverage_model.h"
#include "model/hit_recorder.h"
#include "scan_paths.h"
#include "support/line_reader.h"
#include "support/numbers.h"
#include "test_support.h"
#include "trace/hit_line_scanner.h"
#include "trace/pending_hits.h"
#include "trace/trace_reader.h"

namespace {

using ::testing::ExitedWithCode;

/// What a scan of `text` took: its hits as "kind:id:count" texts and its bytes.
struct Scanned {
  std::vector<std::string> hits;
  std::size_t bytes = 0;
};

/// `text` as the line reader hands bytes over: a NUL after them, then the
/// padding, here filled with plain hit lines that a scan must not take.
std::string padded(const std::string &text) {
  std::string bytes = text + '\0';
  while (bytes.size() < text.size() + kHitScanPadding)
    bytes += "TB 1\n";
  return bytes;
}

Scanned scan(const std::string &text, bool countOriented, std::size_t capacity = 16,
             HitScanPath path = bestHitScanPath(), bool countRequired = false) {
  const std::string bytes = padded(text);
  std::vector<TraceHit> hits(capacity);
  const HitScan result =
      scanHitLinesWith(path, std::string_view(bytes.data(), text.size()), countOriented,
                       hits.data(), capacity, nullptr, countRequired);
  Scanned scanned;
  for (std::size_t i = 0; i < result.hits; ++i)
    scanned.hits.push_back(std::to_string(hits[i].kind) + ":" + std::to_string(hits[i].id) + ":" +
                           std::to_string(hits[i].count));
  scanned.bytes = result.bytes;
  return scanned;
}

using Strings = std::vector<std::string>;

/// Checks that a scan through `path` stops before every line that is not a plain
/// hit line.
void expectStopsBeforeOtherLines(HitScanPath path) {
  // Each of these lines is left to the line-by-line reading, which applies the
  // token rules (trailing blanks, CR LF, tabs, NUL bytes, more than 8 digits...).
  const std::string others[] = {"TB 3 \n",
                                "TB  3\n",
                                " TB 3\n",
                                "TB\t3\n",
                                "tb 3\n",
                                "TX 3\n",
                                "TB 3\r\n",
                                "TB \n",
                                "TB\n",
                                "TB 3g\n",
                                "TB 123456789\n",
                                "TB 3 4\n",
                                "TBB 3\n",
                                "NT 1\n",
                                "FT 1\n",
                                "DC 1\n",
                                "\n",
                                "\r\n",
                                "TB 3",
                                "T",
                                std::string("TB 3\0\n", 6),
                                std::string("TB \0\n", 5)};
  for (const std::string &other : others) {
    const Scanned scanned = scan("TB 1\n" + other + "TB 2\n", false, 16, path);
    EXPECT_EQ(scanned.hits, Strings({"3:1:1"})) << other;
    EXPECT_EQ(scanned.bytes, 5u) << other;
  }
  // With counts, the count is one more field; anything else still stops the scan.
  for (const std::string other : {"TB 3 4 \n", "TB 3 4 5\n", "TB 3  4\n", "TB 3 \n",
                                  "TB 3 123456789\n", "TB 3 4\r\n", "TB 3 g\n"}) {
    const Scanned scanned = scan("TB 1 2\n" + other, true, 16, path);
    EXPECT_EQ(scanned.hits, Strings({"3:1:2"})) << other;
    EXPECT_EQ(scanned.bytes, 7u) << other;
  }
  EXPECT_EQ(scan("", false, 16, path).bytes, 0u);
}

/// A random line of any shape: plain hit lines of every length, with and without
/// count, and lines that are not: CR LF, NUL bytes, nine digits, blanks and tabs,
/// other opcodes, empty lines, long lines, lines cut short.
std::string randomLine(std::mt19937 &random) {
  auto digits = [&](int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
      text += "0123456789abcdefABCDEF"[random() % 22];
    return text;
  };
  const std::string opcode = std::string("T") + "PABE"[random() % 4];
  const int shape = static_cast<int>(random() % 30);
  if (shape < 14) return opcode + " " + digits(1 + static_cast<int>(random() % 8)) + "\n";
  if (shape < 18)
    return opcode + " " + digits(1 + static_cast<int>(random() % 8)) + " " +
           digits(1 + static_cast<int>(random() % 8)) + "\n";
  switch (shape) {
  case 18:
    return opcode + " " + digits(1 + static_cast<int>(random() % 8)) + "\r\n";
  case 19: {
    std::string line = opcode + " " + digits(1 + static_cast<int>(random() % 8)) + "\n";
    line[random() % (line.size() - 1)] = '\0';
    return line;
  }
  case 20:
    return opcode + " " + digits(9 + static_cast<int>(random() % 3)) + "\n";
  case 21:
    return opcode + (random() % 2 ? "  " : "\t") + digits(2) + (random() % 2 ? " \n" : "\n");
  case 22:
    return std::string(random() % 2 ? "tb " : "TX ") + digits(2) + "\n";
  case 23:
    return std::string(random() % 2 ? "NT \"x\" 1\n" : "FT 1\n");
  case 24:
    return random() % 2 ? "\n" : "\r\n";
  case 25:
    return opcode + " " + digits(40 + static_cast<int>(random() % 100)) + "\n";
  case 26:
    return opcode + " " + std::string(60 + random() % 200, 'x') + "\n";
  case 27:
    return random() % 2 ? opcode + "\n" : opcode + " \n";
  case 28:
    return opcode + " " + digits(2) + " " + digits(9) + "\n";
  default:
    return opcode + " " + digits(3) + " " + digits(2) + " " + digits(1) + "\n";
  }
}

/// Every scan of `bytes` (of which the first `size` are given), from its first
/// line on: after each scan the next one starts after the lines taken, and past
/// the line that stopped it; each scan's hits, bytes and fullness as text.
std::string scanAll(HitScanPath path, const std::string &bytes, std::size_t size,
                    bool countOriented, std::size_t capacity, const HitScanFilter *filter) {
  std::string result;
  std::vector<TraceHit> hits(capacity);
  for (std::size_t at = 0; at < size;) {
    const HitScan scan = scanHitLinesWith(path, std::string_view(bytes.data() + at, size - at),
                                          countOriented, hits.data(), capacity, filter);
    for (std::size_t i = 0; i < scan.hits; ++i)
      result += std::to_string(hits[i].kind) + ":" + std::to_string(hits[i].id) + ":" +
                std::to_string(hits[i].count) + " ";
    result += "| " + std::to_string(scan.bytes) + (scan.full ? " full\n" : "\n");
    at += scan.bytes;
    if (scan.full) continue;
    const std::size_t lineFeed = bytes.find('\n', at);
    if (lineFeed == std::string::npos || lineFeed >= size) break;
    at = lineFeed + 1;
  }
  return result;
}

TEST(HitLineScanner, DecodesPlainHitLines) {
  for (HitScanPath path : pathsToCompare()) {
    SCOPED_TRACE(hitScanPathName(path));
    const std::string text = "TP c21\nTA 0\nTB Ff\nTE 12345678\nTB 00\nTE 1aB\nTE 9Cd0\n";
    const Scanned scanned = scan(text, false, 16, path);
    EXPECT_EQ(scanned.hits, Strings({"1:300:1", "2:0:1", "3:255:1", "4:2271560481:1", "3:0:1",
                                     "4:2977:1", "4:3529:1"}));
    EXPECT_EQ(scanned.bytes, text.size());
    EXPECT_EQ(scan(text, true, 16, path).hits, scanned.hits) << "an absent count counts 1";
    EXPECT_EQ(scan("TB 5 a\nTB 5 0\nTB 1 ffffffff\n", true, 16, path).hits,
              Strings({"3:5:10", "3:5:0", "3:1:4294967295"}));
    // A reader that requires the count leaves a line without one to the line reading.
    const Scanned required = scan("TB 5 a\nTP 1\nTB 6 1\n", true, 16, path, true);
    EXPECT_EQ(required.hits, Strings({"3:5:10"}));
    EXPECT_EQ(required.bytes, 7u);
    EXPECT_EQ(scan("TB 5\nTB 6\n", false, 16, path, true).hits, Strings({"3:5:1", "3:6:1"}))
        << "a test that is not count-oriented has no count to require";
    const Scanned full = scan("TB 1\nTB 2\nTB 3\n", false, 2, path);
    EXPECT_EQ(full.hits, Strings({"3:1:1", "3:2:1"}));
    EXPECT_EQ(full.bytes, 10u);
    // Lines past the first 64 bytes, and one whose line end is the 64th byte.
    std::string many = "TB 11111111\n";
    for (int i = 0; i < 9; ++i)
      many += "TA 7\n";
    many += "TE 123\n";
    ASSERT_EQ(many.size(), 64u);
    for (int i = 0; i < 40; ++i)
      many += "TP " + std::string(FormatHex(static_cast<uint32_t>(i * 0x1111))) + "\n";
    const Scanned long_ = scan(many, false, 256, path);
    EXPECT_EQ(long_.bytes, many.size());
    ASSERT_EQ(long_.hits.size(), 51u);
    EXPECT_EQ(long_.hits[10], "4:" + std::to_string(0x321) + ":1");
    EXPECT_EQ(long_.hits.back(), "1:" + std::to_string(39 * 0x1111) + ":1");
  }
}

TEST(HitLineScanner, StopsBeforeEveryOtherLine) {
  for (HitScanPath path : pathsToCompare()) {
    SCOPED_TRACE(hitScanPathName(path));
    expectStopsBeforeOtherLines(path);
  }
}

TEST(HitLineScanner, EveryPathTakesWhatThePlainOneTakes) {
  // Random traces of every line shape, scanned from every line start with small
  // and large stores, with the bytes cut anywhere (the continuation of a cut line
  // lies behind the NUL, where a scan must not look).
  std::mt19937 random(20240611);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (int line = 0, lines = 1 + static_cast<int>(random() % 60); line < lines; ++line)
      text += randomLine(random);
    const std::size_t cut = random() % 4 ? text.size() : random() % (text.size() + 1);
    std::string bytes =
        text.substr(0, cut) + '\0' + (cut < text.size() ? text.substr(cut + 1) : "");
    bytes += padded("").substr(1);
    const bool countOriented = random() % 2;
    const std::size_t capacity = random() % 3 ? 256 : 2 + random() % 5;
    for (HitScanPath path : pathsToCompare())
      EXPECT_EQ(scanAll(path, bytes, cut, countOriented, capacity, nullptr),
                scanAll(HitScanPath::Plain, bytes, cut, countOriented, capacity, nullptr))
          << hitScanPathName(path) << " round " << round << (countOriented ? " counted" : "");
  }
}

/// scanAll through a filter whose bits are copies of `settled` and `pending`
/// (none when empty), with the bits as the scans leave them after the hits.
std::string scanAllFiltered(HitScanPath path, const std::string &bytes, std::size_t size,
                            bool countOriented, std::size_t capacity, HitScanFilter filter,
                            std::vector<uint64_t> settled[4], std::vector<uint64_t> pending[4]) {
  for (int k = 0; k < 4; ++k) {
    filter.settled[k] = settled[k].data();
    filter.pending[k] = pending[k].empty() ? nullptr : pending[k].data();
  }
  std::string result = scanAll(path, bytes, size, countOriented, capacity, &filter);
  for (int k = 0; k < 4; ++k) {
    result += "settled";
    for (uint64_t word : settled[k])
      result += " " + std::to_string(word);
    result += " pending";
    for (uint64_t word : pending[k])
      result += " " + std::to_string(word);
    result += "\n";
  }
  return result;
}

TEST(HitLineScanner, EveryPathFiltersLikeThePlainOne) {
  std::mt19937 random(20240612);
  Branch branch;
  for (int round = 0; round < 400; ++round) {
    // Small IDs, of which some have settled branches and some no dense slot (and
    // some long ones); in
    // some rounds, more than 512 dense slots of a kind (settled bits past what a
    // vector holds), and in some nearly every branch settled, as in a long run.
    const bool many = round % 4 == 3;
    const bool mostlySettled = round % 3 == 0;
    const uint32_t idBound = many ? (round % 8 == 3 ? 520 : 1600) : 50;
    std::string text;
    for (int line = 0, lines = 1 + static_cast<int>(random() % 60); line < lines; ++line) {
      if (random() % (mostlySettled ? 100 : 10) == 0) {
        text += randomLine(random);
        continue;
      }
      // In some rounds, IDs of five digits or more whose first four (the lowest)
      // name a settled branch: only the whole ID tells them apart.
      uint32_t id = static_cast<uint32_t>(random() % idBound);
      if (round % 5 == 1 && random() % 6 == 0)
        id |= static_cast<uint32_t>(1 + random() % 0xFFF) << 16;
      text += std::string("T") + "PABE"[random() % 4] + " " + FormatHex(id);
      if (random() % (mostlySettled ? 100 : 4) == 0)
        text += std::string(" ") + FormatHex(random() % 3);
      text += "\n";
    }
    std::vector<Branch *> denseSlots[4];
    std::vector<uint64_t> settled[4], pending[4];
    HitScanFilter filter;
    filter.kinds = random() % 16;
    // First hits are left pending or not.
    const bool leavePending = random() % 2;
    for (int k = 0; k < 4; ++k) {
      // Up to 512 slots of every kind, or more of some.
      denseSlots[k].resize(many ? 380 + random() % (round % 8 == 3 ? 133 : 1200) : random() % 48);
      for (Branch *&slot : denseSlots[k])
        slot = random() % (mostlySettled ? 200 : 5) ? &branch : nullptr;
      settled[k].resize((denseSlots[k].size() + 63) / 64);
      for (uint64_t &word : settled[k]) {
        word = (uint64_t{random()} << 32 | random()) & (uint64_t{random()} << 32 | random());
        if (mostlySettled) word = ~(word & word >> 1 & word >> 2 & word >> 3);
      }
      for (std::size_t id = 0; id < denseSlots[k].size(); ++id)
        if (!denseSlots[k][id]) settled[k][id / 64] &= ~(uint64_t{1} << id % 64);
      if (leavePending) pending[k].assign(settled[k].size(), 0);
      filter.dense[k] = denseSlots[k].data();
      filter.denseSize[k] = denseSlots[k].size();
    }
    // With the cleaned trace, some branches are kept already.
    PendingHitArray kept[4];
    filter.cleaning = random() % 2;
    for (int k = 0; filter.cleaning && k < 4; ++k) {
      if (random() % 4 == 0) continue;
      // Up to 512 counters (the whole-block check applies), or more in some rounds.
      makeDenseCounters(kept[k], static_cast<uint32_t>(random() % (many ? 700 : 48)));
      for (uint32_t id = 0; id < kept[k].dense.size(); ++id)
        if (random() % (mostlySettled ? 50 : 3)) countDense(kept[k], id, 1, false);
      filter.kept[k] = kept[k].dense.data();
      filter.keptBits[k] = kept[k].denseBits.data();
      filter.keptSize[k] = kept[k].dense.size();
    }
    const std::string bytes = padded(text);
    const bool countOriented = random() % 2;
    const std::size_t capacity = random() % 3 ? 256 : 2 + random() % 5;
    auto scanWith = [&](HitScanPath path) {
      std::vector<uint64_t> settledCopy[4], pendingCopy[4];
      for (int k = 0; k < 4; ++k) {
        settledCopy[k] = settled[k];
        pendingCopy[k] = pending[k];
      }
      return scanAllFiltered(path, bytes, text.size(), countOriented, capacity, filter, settledCopy,
                             pendingCopy);
    };
    const std::string byPlain = scanWith(HitScanPath::Plain);
    for (HitScanPath path : pathsToCompare())
      EXPECT_EQ(scanWith(path), byPlain) << hitScanPathName(path) << " round " << round;
  }
}

TEST(HitLineScanner, FilterLeavesOutHitsThatChangeNothing) {
  // Blocks 1 and 2 are settled; block 5 has no dense slot (several services
  // hold it); calls are not counted.
  Branch branch;
  Branch *blocks[8] = {&branch, &branch, &branch, &branch, &branch, nullptr, &branch, &branch};
  uint64_t settledBlocks = 0b110;
  HitScanFilter filter;
  filter.kinds = 0b1101;
  filter.dense[2] = blocks;
  filter.denseSize[2] = 8;
  filter.settled[2] = &settledBlocks;
  for (HitScanPath path : pathsToCompare()) {
    SCOPED_TRACE(hitScanPathName(path));
    auto filtered = [&](const std::string &text, bool countOriented) {
      const std::string bytes = padded(text);
      TraceHit hits[16];
      const HitScan result = scanHitLinesWith(path, std::string_view(bytes.data(), text.size()),
                                              countOriented, hits, 16, &filter);
      EXPECT_EQ(result.bytes, text.size());
      Strings taken;
      for (std::size_t i = 0; i < result.hits; ++i)
        taken.push_back(std::to_string(hits[i].kind) + ":" + std::to_string(hits[i].id) + ":" +
                        std::to_string(hits[i].count));
      return taken;
    };
    // The settled block 2 dropped before block 5 is kept: block 5 is looked up
    // from the current service, which must be block 2's. Before block 3 (a
    // dense slot) it is not needed; the last one dropped is kept at the end.
    EXPECT_EQ(filtered("TB 1\nTA 3\nTB 2\nTB 5\nTB 2\nTB 3\nTB 1\nTB 2\n", false),
              Strings({"3:2:1", "3:5:1", "3:3:1", "3:2:1"}));
    EXPECT_EQ(filtered("TA 1\nTA 2\n", false), Strings{});
    EXPECT_EQ(filtered("TB 9\nTB 1\n", false), Strings({"3:9:1", "3:1:1"}));
    // Counted hits add up: none is settled; a count of 0 counts nothing.
    EXPECT_EQ(filtered("TB 1 2\nTB 2\nTB 1 0\n", true), Strings({"3:1:2", "3:2:1"}));

    // With the cleaned trace, a hit is left out only when its branch is kept
    // already: block 1 and call 3 are, block 2 and call 4 are not.
    const uint32_t keptBlocks[3] = {0, 1, 0};
    const uint32_t keptCalls[4] = {0, 0, 0, 1};
    HitScanFilter plain = filter;
    filter.cleaning = true;
    filter.kept[KindBlock - 1] = keptBlocks;
    filter.keptSize[KindBlock - 1] = 3;
    filter.kept[KindCall - 1] = keptCalls;
    filter.keptSize[KindCall - 1] = 4;
    EXPECT_EQ(filtered("TB 1\nTB 2\nTA 3\nTA 4\nTB 1\n", false),
              Strings({"3:2:1", "2:4:1", "3:1:1"}));
    EXPECT_EQ(filtered("TB 1 2\nTA 3 5\nTB 1 0\n", true), Strings({"3:1:2"}));
    filter = plain;

    // With pending bits, the first hit of block 3 is noted, not stored: its
    // settled and pending bits are set, and it is kept as the last one left out
    // (before block 5, and at the end). Block 5 has no dense slot: it is stored.
    uint64_t pendingBlocks = 0;
    filter.pending[KindBlock - 1] = &pendingBlocks;
    EXPECT_EQ(filtered("TB 3\nTB 5\nTB 4\nTB 3\nTB 1\n", false),
              Strings({"3:3:1", "3:5:1", "3:1:1"}));
    EXPECT_EQ(pendingBlocks, 0b11000u);
    EXPECT_EQ(settledBlocks, 0b11110u);
    // Counted hits are not left pending.
    EXPECT_EQ(filtered("TB 6 2\n", true), Strings({"3:6:2"}));
    EXPECT_EQ(pendingBlocks, 0b11000u);
    filter = plain;
    settledBlocks = 0b110;
  }
}

TEST(HitLineScanner, PlainReadingTakesThePlainPath) {
  // The switch is read once per process: each setting in a fresh one.
  const std::string style = GTEST_FLAG_GET(death_test_style);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("ZELTOCOV_SCAN", "plain", 1);
        std::exit(bestHitScanPath() == HitScanPath::Plain ? 0 : 1);
      },
      ExitedWithCode(0), "");
  // Without it, the fastest path (SSE2 alone is slower than the plain one).
  HitScanPath fastest = pathsToCompare().back();
  if (fastest == HitScanPath::Sse2) fastest = HitScanPath::Plain;
  EXPECT_EXIT(
      {
        unsetenv("ZELTOCOV_SCAN");
        std::exit(bestHitScanPath() == fastest ? 0 : 1);
      },
      ExitedWithCode(0), "");
  GTEST_FLAG_SET(death_test_style, style);
}
/// Every branch of a service with its state, as text.
std::string describe(const Service &service) {
  std::string text = service.name->text;
  auto branch = [&](const char *what, const Branch &b) {
    text += std::string(" ") + what + std::to_string(b.id) + "=" + std::to_string(b.hits) + "/" +
            std::to_string(b.totalHits) + "/" + std::to_string(b.flags);
  };
  if (service.hasEntry) branch("P", service.entry);
  for (const ExitEntry &e : service.exits)
    branch("X", e.branch);
  for (const CallEntry &e : service.calls)
    branch("A", e.branch);
  for (const BlockEntry &e : service.blocks)
    branch("B", e.branch);
  for (const ConditionEntry &e : service.conditions)
    branch("E", e.branch);
  for (int i = 0; i < CntCount; ++i)
    text += " " + std::to_string(service.testCovered[i]) + "," +
            std::to_string(service.totalCovered[i]);
  return text + "\n";
}

/// A listener that records the test boundaries with the hit counts of the
/// model as a report run would write them (a test report without -GLOBAL), and
/// clears flag 0x01 of every branch after a CIO record, as the CIO writer does.
class ModelListener : public TraceEvents {
public:
  ModelListener(CoverageModel &model, const ReportOptions &options)
      : model_(model), options_(options) {}
  std::string events;
  const TraceReader *reader = nullptr;

  void testEnded() override {
    if (!options_.global) events += "report " + snapshot();
    if (options_.cioFile) writeCioTest();
  }
  void groupEnded() override {
    if (options_.cioFile) events += "group\n";
  }
  void tracesEnded() override {
    if (options_.cioFile) events += "global\n";
  }
  bool keepsTestHits() const override { return !options_.global || options_.cioFile; }

private:
  void writeCioTest() {
    events += "cio " + snapshot();
    for (auto &file : model_.files())
      for (auto &service : file->services) {
        service->entry.flags &= ~FlagHitSinceLook;
        for (ExitEntry &e : service->exits)
          e.branch.flags &= ~FlagHitSinceLook;
        for (CallEntry &e : service->calls)
          e.branch.flags &= ~FlagHitSinceLook;
        for (BlockEntry &e : service->blocks)
          e.branch.flags &= ~FlagHitSinceLook;
        for (ConditionEntry &e : service->conditions)
          e.branch.flags &= ~FlagHitSinceLook;
      }
  }
  std::string snapshot() {
    const TestState &state = reader->state();
    std::string text = std::string(state.testName ? state.testName->text : "-") +
                       (state.countOriented ? " co\n" : "\n");
    for (auto &file : model_.files())
      for (auto &service : file->services)
        text += describe(*service);
    return text;
  }
  CoverageModel &model_;
  const ReportOptions &options_;
};

/// Adds a service with the given IDs; block kinds cycle through the four kinds.
void addService(SourceFile &file, const char *name, std::vector<uint32_t> points,
                std::vector<uint32_t> calls, std::vector<uint32_t> blocks,
                std::vector<uint32_t> conditions) {
  auto service = std::make_unique<Service>();
  service->name = internName(name);
  service->hasEntry = true;
  service->entry.id = points.front();
  for (std::size_t i = 1; i < points.size(); ++i)
    service->exits.push_back(ExitEntry{Branch{{}, points[i], 0, 0}, ExitRegular});
  for (uint32_t id : calls)
    service->calls.push_back(CallEntry{Branch{{}, id, 0, 0}, nullptr});
  for (uint32_t id : blocks)
    service->blocks.push_back(
        BlockEntry{Branch{{}, id, 0, 0}, static_cast<uint8_t>(service->blocks.size() % 4), "b"});
  for (uint32_t id : conditions) {
    ConditionEntry entry;
    entry.branch.id = id;
    service->conditions.push_back(entry);
  }
  file.procedureBranchCount += static_cast<uint32_t>(points.size());
  file.callBranchCount += static_cast<uint32_t>(calls.size());
  file.blockBranchCount += static_cast<uint32_t>(blocks.size());
  file.conditionBranchCount += static_cast<uint32_t>(conditions.size());
  file.services.push_back(std::move(service));
}

/// Two source files: a.c (key 0x11, checksum 0x22) whose services f and g share
/// some IDs and where g holds a block far beyond the others, and b.c (0x33, 0x44).
void buildModel(CoverageModel &model) {
  auto a = std::make_unique<SourceFile>();
  a->fdcName = "a.fdc";
  a->fileKey = 0x11;
  a->checksum = 0x22;
  a->sourceName = internName("a.c");
  a->instrumentedTypes = 0x05ED;
  addService(*a, "f", {0, 1}, {0, 1}, {0, 1, 2, 3, 4, 5}, {0, 1, 2, 3});
  addService(*a, "g", {2, 1, 3}, {1}, {6, 3, 7, 900000}, {4, 5, 2});
  auto b = std::make_unique<SourceFile>();
  b->fdcName = "b.fdc";
  b->fileKey = 0x33;
  b->checksum = 0x44;
  b->sourceName = internName("b.c");
  b->instrumentedTypes = 0x05ED;
  addService(*b, "h", {0, 1}, {0}, {0, 1, 2, 3}, {0, 1});
  buildBranchIndex(model.registerSourceFile(std::move(a)));
  buildBranchIndex(model.registerSourceFile(std::move(b)));
}

/// Runs a reading pass over trace texts and tells everything it left: the
/// model, the messages, the test boundaries and the cleaned trace.
/// How a reading pass reads the traces.
struct Reading {
  /// Plain hit lines are scanned (else read line by line).
  bool scanning = true;
  HitScanPath path = HitScanPath::Plain;
  /// Bytes read at a time.
  std::size_t blockSize = LineReader::kDefaultBlockSize;
  /// Files of at least this size are read ahead on a thread.
  std::size_t readAheadMinimum = LineReader::kReadAheadMinimum;
  /// The thread decodes part of each block it reads ahead.
  bool preparing = true;
  /// Sets a reader up to read this way.
  void apply(TraceReader &reader) const {
    reader.setHitLineScanning(scanning);
    reader.setHitScanPath(path);
    reader.setBlockPreparing(preparing);
    reader.lineReader().setBlockSize(blockSize);
    reader.lineReader().setReadAheadMinimum(readAheadMinimum);
  }
  std::string name() const {
    return std::string(scanning ? hitScanPathName(path) : "line by line") + ", blocks of " +
           std::to_string(blockSize) +
           (readAheadMinimum == 0          ? " read ahead"
            : readAheadMinimum == SIZE_MAX ? " direct"
                                           : "") +
           (preparing ? "" : ", not prepared");
  }
};

/// The ways the traces are read that must read them alike: line by line as the
/// reference, every scan path, small blocks read ahead (lines across blocks,
/// lines longer than the room before a block), with and without the lines the
/// thread decodes ahead, small blocks read directly.
std::vector<Reading> readings(bool many) {
  std::vector<Reading> result = {{false}};
  for (HitScanPath path : pathsToCompare())
    result.push_back({true, path});
  result.push_back({true, bestHitScanPath(), many ? 4096u : 16u, 0});
  result.push_back({true, bestHitScanPath(), many ? 4096u : 16u, 0, false});
  if (many && hitScanPathAvailable(HitScanPath::Sse2))
    result.push_back({true, HitScanPath::Sse2, 300, 0});
  if (!many) {
    result.push_back({true, HitScanPath::Plain, 7, SIZE_MAX});
    result.push_back({false, HitScanPath::Plain, 16, 0});
  }
  return result;
}

std::string readTraces(const Strings &traces, const Reading &reading,
                       const std::function<void(ReportOptions &)> &configure) {
  TempDir dir;
  CoverageModel model;
  HitRecorder modelHits{model};
  buildModel(model);
  ReportOptions options;
  configure(options);
  if (options.cleanFile) options.cleanFile = dir.path() + "/clean.tio";
  std::vector<std::string> paths;
  for (const std::string &text : traces)
    paths.push_back(dir.write("t" + std::to_string(paths.size()) + ".tio", text));
  ModelListener listener(model, options);
  ::testing::internal::CaptureStderr();
  {
    // A fixed run time: the merged section is dated with it.
    TraceReader reader(modelHits, options, &listener, 1700000000);
    listener.reader = &reader;
    reading.apply(reader);
    reader.run(paths);
    reader.finishCleanedOutput();
    listener.events += reader.state().countOriented ? "run co\n" : "run plain\n";
  }
  std::string result = "stderr:\n" + ::testing::internal::GetCapturedStderr() + listener.events;
  for (auto &file : model.files())
    for (auto &service : file->services)
      result += describe(*service);
  if (options.cleanFile) result += "clean:\n" + readFile(*options.cleanFile);
  return result;
}

/// The option sets the traces are read with.
const std::vector<std::pair<const char *, std::function<void(ReportOptions &)>>> kOptionSets = {
    {"global", [](ReportOptions &) {}},
    {"per test", [](ReportOptions &o) { o.global = false; }},
    {"iterations", [](ReportOptions &o) { o.global = false, o.iterations = true; }},
    {"cio", [](ReportOptions &o) { o.cioFile = "x.cio"; }},
    {"blocks only", [](ReportOptions &o) { o.coverageTypes = CovStatementBlocks; }},
    {"clean", [](ReportOptions &o) { o.cleanFile = "set by readTraces"; }},
    {"clean merged", [](ReportOptions &o) { o.cleanFile = "x", o.mergeTests = true; }},
};

/// Reads the traces with each option set, with and without the scanner. The
/// cleaned trace takes no ID beyond a file's branch count (it ends the run), so
/// `clean` false leaves out the option sets that write one.
void expectSameReading(const Strings &traces, bool clean = true, bool many = false) {
  const std::vector<Reading> ways = readings(many);
  for (const auto &[name, configure] : kOptionSets) {
    if (!clean && std::string(name).find("clean") != std::string::npos) continue;
    const std::string byLines = readTraces(traces, ways.front(), configure);
    for (std::size_t way = 1; way < ways.size(); ++way)
      EXPECT_EQ(readTraces(traces, ways[way], configure), byLines)
          << name << ", " << ways[way].name();
  }
}

TEST(HitLineScanning, TrickyLinesAreReadAlike) {
  const std::string far = std::string("TB ") + FormatHex(900000) + "\n";
  expectSameReading(
      {"NT \"one\" 1 1\nDT 0\nFT 11\nDC 22\nTP 0\nTB 0\nTB 00\nTB 1\nTB 3\n"
       // g's block 6 makes g current: the shared block 3 is then g's.
       "TB 6\nTB 3\nTB 3 \nTB 3 7\nTB 2\r\nTE 2\nTA 1\nTP 1\nTB 0\nTE 2\nTB 0 \nTB 0\n"
       "FT 33\nDC 44\nTB 0\nTB 1\n"
       "NT \"two\" 2 1\nCO\nFT 11\nDC 22\nTB 0 5\nTB 0\nTB 0 0\nTB 3 2\nTB 3 \n"
       "TB 1 ffffffff\nTB 1 ffffffff\nTB 1\n"
       "NT \"three\" 3 2\nTB 0\nTB 0\nTB 1\nFT 55\nDC 66\nTB 9\nTB 9 \nFT 11\nDC 22\n"
       "TB 4\nTB 4 \n",
       "TB 5\nTB 5\r\nTP 2\nNT \"three\" 3\nTB 6\nTB 7 1\nTB 7", "TB 1\nNT\nTB 5\nTB 5\n"});
  // A block far beyond the others is found through the index's other part.
  expectSameReading({"NT\nFT 11\nDC 22\nTB 0\nTB 6\n" + far + "TB 3\n" + far + far + "TB 3\n"},
                    false);
}

TEST(HitLineScanning, LongMixedTracesAreReadAlike) {
  // Long enough to cross the line reader's blocks, with every form of hit line.
  std::mt19937 random(4321);
  const char *kinds[] = {"TP", "TA", "TB", "TE"};
  const uint32_t ids[2][4][8] = {
      {{0, 1, 2, 3}, {0, 1}, {0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3, 4, 5}},
      {{0, 1}, {0}, {0, 1, 2, 3}, {0, 1}}};
  const uint32_t idCounts[2][4] = {{4, 2, 8, 6}, {2, 1, 4, 2}};
  std::string text;
  int part = 0;
  bool counted = false;
  for (int line = 0; line < 300000; ++line) {
    const unsigned roll = random() % 1000;
    if (roll < 2) {
      counted = random() % 2;
      text += "NT \"t" + std::to_string(random() % 5) + "\" " + std::to_string(random() % 3) +
              (counted ? "\nCO\n" : "\n");
      continue;
    }
    if (roll < 12) {
      part = static_cast<int>(random() % 3);
      text += part == 0 ? "FT 11\nDC 22\n" : part == 1 ? "FT 33\nDC 44\n" : "FT 55\nDC 66\n";
      continue;
    }
    const int kind = static_cast<int>(random() % 4);
    const int file = part == 1 ? 1 : 0;
    text += std::string(kinds[kind]) + " " +
            FormatHex(ids[file][kind][random() % idCounts[file][kind]]);
    const unsigned form = random() % 50;
    if (form == 0) text += " ";
    if (form == 1) text += "\r";
    if (form == 2) text += std::string(" ") + FormatHex(random() % 4);
    if (form == 3) text += " 1 2";
    if (counted && form > 40) text += std::string(" ") + FormatHex(random() % 3);
    text += "\n";
  }
  ASSERT_GT(text.size(), 3u * LineReader::kDefaultBlockSize / 2);
  expectSameReading({"NT\nFT 11\nDC 22\n" + text}, true, true);
}

TEST(HitLineScanning, FailuresAreTheSame) {
  // Lines that end the run: each gives the same message with and without the
  // scanner, after the same plain hit lines.
  const std::pair<std::string, std::string> failures[] = {
      {"TB 99\n", "Cannot find instrumentation ID for specified trace in FDC file a.fdc"},
      {"TB 5g\n", "Bad hexadecimal number while reading file .*: 5g"},
      {"TB 123456789\n", "Number overflow while reading file"},
      {"TB\t5\n", "Unknown opcode in trace file .*: TB\t5"},
      {std::string("TB 1\0\n", 6), "Null pointer for value while reading file"},
  };
  for (const auto &[line, message] : failures) {
    for (const Reading &reading : readings(false)) {
      TempDir dir;
      CoverageModel model;
      HitRecorder modelHits{model};
      buildModel(model);
      ReportOptions options;
      const std::string path =
          dir.write("t.tio", "NT\nFT 11\nDC 22\nTB 0\nTB 1\n" + line + "TB 2\n");
      EXPECT_EXIT(
          {
            TraceReader reader(modelHits, options, nullptr, 0);
            reading.apply(reader);
            reader.run({path});
            std::exit(0);
          },
          ExitedWithCode(7), message)
          << line << ", " << reading.name();
    }
  }
}

TEST(HitLineScanning, CleanedTraceFailuresComeInLineOrder) {
  // With -CLEAN the hits are counted and kept a stretch at a time: an ID the
  // model does not know (8) and one beyond the file's block count of 10 (900000,
  // known to the model) end the run with the message of whichever comes first.
  const std::string far = std::string("TB ") + FormatHex(900000) + "\n";
  const std::pair<std::string, std::pair<int, std::string>> cases[] = {
      {"TB 8\n" + far, {7, "in FDC file a.fdc\nDescription:\n The instrumentation id 8 for"}},
      {far + "TB 8\n", {7, "in FDC file a.fdc\nDescription:\n The instrumentation id 900000 for"}},
  };
  for (const auto &[lines, failure] : cases) {
    for (const Reading &reading : readings(false)) {
      TempDir dir;
      CoverageModel model;
      HitRecorder modelHits{model};
      buildModel(model);
      ReportOptions options;
      options.cleanFile = dir.path() + "/clean.tio";
      const std::string path =
          dir.write("t.tio", "NT\nFT 11\nDC 22\nTB 0\nTB 1\n" + lines + "TB 2\n");
      EXPECT_EXIT(
          {
            TraceReader reader(modelHits, options, nullptr, 0);
            reading.apply(reader);
            reader.run({path});
            std::exit(0);
          },
          ExitedWithCode(failure.first), failure.second)
          << lines << ", " << reading.name();
    }
  }
}

TEST(HitLineScanning, ReadErrorIsReportedWhereTheReadingMeetsIt) {
  // The read fails in the middle of the hit lines that follow an EI line. Read
  // ahead, the thread meets the failure long before the reading does: the EI
  // line's warning still comes first, then the failure, from the reading.
  std::string text = "NT\nFT 11\nDC 22\n";
  for (int i = 0; i < 2000; ++i)
    text += "TB 1\n";
  text += "EI 02\n";
  const std::size_t failure = text.size() + 2003;
  for (int i = 0; i < 2000; ++i)
    text += "TB 2\n";
  text += "EI 13\n";
  for (const Reading &reading :
       {Reading{true, bestHitScanPath(), 64, 0}, Reading{true, bestHitScanPath(), 64, SIZE_MAX},
        Reading{false, HitScanPath::Plain, 4096, 0}}) {
    TempDir dir;
    CoverageModel model;
    HitRecorder modelHits{model};
    buildModel(model);
    ReportOptions options;
    const std::string path = dir.write("t.tio", text);
    EXPECT_EXIT(
        {
          TraceReader reader(modelHits, options, nullptr, 0);
          reading.apply(reader);
          reader.lineReader().setReadFunction(readFailingAfter);
          readableBytes = failure;
          reader.run({path});
          std::exit(0);
        },
        ExitedWithCode(7),
        "-> a source object was not linked[^\n]*\n[^\n]*Cannot read file .*t.tio: Input/output "
        "error\n$")
        << reading.name();
  }
}

} // namespace
