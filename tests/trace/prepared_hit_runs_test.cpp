// Plain hit lines decoded ahead by the thread that read their block: the decoding
// takes the lines a scan takes and stops where it stops, decoded lines are
// recorded exactly as a scan of them records them, and a block's runs of decoded
// lines lie between the lines left to the reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "scan_paths.h"
#include "support/numbers.h"
#include "trace/hit_line_scanner.h"
#include "trace/pending_hits.h"
#include "trace/prepared_hit_runs.h"

namespace {

/// `text` followed by padding that holds plain hit lines and no NUL: what a
/// thread that has just read a block sees after its bytes.
std::string withPadding(const std::string &text) {
  std::string bytes = text;
  while (bytes.size() < text.size() + kHitScanPadding + 8)
    bytes += "TB 1\n";
  return bytes;
}

/// Random trace text: mostly plain hit lines, IDs of every length (some of them
/// past the decoding's limit), and lines of other forms.
std::string randomText(std::mt19937 &random, int lines, uint32_t idBound) {
  std::string text;
  for (int i = 0; i < lines; ++i) {
    const std::string opcode = std::string("T") + "PABE"[random() % 4] + " ";
    switch (random() % 24) {
    case 0:
      text += "FT 11\n";
      break;
    case 1:
      text += opcode + "5 3\n";
      break;
    case 2:
      text += opcode + "5\r\n";
      break;
    case 3:
      text += opcode + FormatHex(0x20000000u + random() % 0xDFFFFFFFu) + "\n";
      break;
    case 4:
      text += "NT \"" + std::string(random() % 90, 'n') + "\" 1\n";
      break;
    case 5:
      text += opcode + "123456789\n";
      break;
    default:
      text += opcode + FormatHex(random() % idBound) + "\n";
    }
  }
  return text;
}

/// The lines of a scan or a decoding as "kind:id" texts.
std::vector<std::string> scannedLines(const TraceHit *hits, std::size_t count) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < count; ++i)
    lines.push_back(std::to_string(hits[i].kind) + ":" + std::to_string(hits[i].id));
  return lines;
}
std::vector<std::string> decodedLines(const uint32_t *lines, std::size_t count) {
  std::vector<std::string> result;
  for (std::size_t i = 0; i < count; ++i)
    result.push_back(std::to_string(decodedKind(lines[i])) + ":" +
                     std::to_string(decodedId(lines[i])));
  return result;
}

TEST(PreparedHitRuns, DecodingTakesTheLinesTheScanTakes) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 300; ++round) {
    const std::string text = randomText(random, 1 + static_cast<int>(random() % 80), 1u << 16);
    // The bytes may end inside a line: that line is not taken.
    const std::size_t size = random() % 4 ? text.size() : random() % (text.size() + 1);
    const std::string bytes = withPadding(text.substr(0, size)) + '\0';
    std::string scanBytes = text.substr(0, size) + '\0';
    scanBytes += std::string(kHitScanPadding, 'x');
    for (std::size_t at = 0; at < size;) {
      std::vector<TraceHit> hits(400);
      const HitScan scan = scanHitLines(std::string_view(scanBytes.data() + at, size - at), false,
                                        hits.data(), hits.size());
      // The decoding stops at the first ID past its limit, which the scan takes.
      std::size_t expected = 0, expectedBytes = 0;
      while (expected < scan.hits && hits[expected].id < kDecodedIdLimit) {
        expectedBytes = scanBytes.find('\n', at + expectedBytes) + 1 - at;
        ++expected;
      }
      for (HitScanPath path : pathsToCompare()) {
        std::vector<uint32_t> decoded(400);
        const DecodedLines lines = decodeHitLines(
            path, std::string_view(bytes.data() + at, size - at), decoded.data(), decoded.size());
        EXPECT_EQ(decodedLines(decoded.data(), lines.lines), scannedLines(hits.data(), expected))
            << hitScanPathName(path) << " round " << round << " at " << at;
        EXPECT_EQ(lines.bytes, expectedBytes) << hitScanPathName(path) << " round " << round;
        // A decoding that may store fewer lines stops after them.
        const DecodedLines few =
            decodeHitLines(path, std::string_view(bytes.data() + at, size - at), decoded.data(), 2);
        EXPECT_EQ(few.lines, std::min<std::size_t>(2, expected));
      }
      at += scan.bytes;
      const std::size_t lineFeed = text.find('\n', at);
      if (lineFeed == std::string::npos || lineFeed >= size) break;
      at = lineFeed + 1;
    }
  }
}

TEST(PreparedHitRuns, DecodingStopsWhenTheStoreIsFull) {
  // Stores of every size up to a few blocks' lines, also one that a whole block
  // of lines fills exactly: the decoding stores no line past its end.
  std::string text;
  for (int i = 0; i < 40; ++i)
    text += std::string("TB ") + FormatHex(static_cast<uint32_t>(i % 16)) + "\n";
  const std::string bytes = withPadding(text);
  for (HitScanPath path : pathsToCompare())
    for (std::size_t capacity = 1; capacity < 40; ++capacity) {
      std::vector<uint32_t> decoded(capacity + 1, 0xFFFFFFFFu);
      const DecodedLines lines = decodeHitLines(path, std::string_view(bytes.data(), text.size()),
                                                decoded.data(), capacity);
      EXPECT_EQ(lines.lines, capacity) << hitScanPathName(path);
      EXPECT_EQ(lines.bytes, 5 * capacity) << hitScanPathName(path);
      EXPECT_EQ(decoded[capacity], 0xFFFFFFFFu) << hitScanPathName(path) << ", " << capacity;
    }
}

TEST(PreparedHitRuns, DecodedLinesAreRecordedAsTheScanRecordsThem) {
  // Each scan of plain hit lines, with a filter leaving settled and first hits
  // out (or, with the cleaned trace, hits it keeps already), against the
  // recording of the same lines decoded: the same hits stored by each call (also
  // when the store fills up), the same bits set.
  std::mt19937 random(7120262);
  Branch branch;
  for (int round = 0; round < 300; ++round) {
    // Nearly every branch settled in some rounds, as in a long run; more than 512
    // dense slots of some kinds in others.
    const bool mostlySettled = round % 2 == 0;
    const bool many = round % 3 == 0;
    std::string text;
    for (int line = 0, lines = 1 + static_cast<int>(random() % 100); line < lines; ++line)
      text += std::string("T") + "PABE"[random() % 4] + " " +
              FormatHex(random() % (many ? 1500 : 70)) + "\n";
    const std::string bytes = withPadding(text) + '\0';
    std::vector<Branch *> dense[4];
    std::vector<uint64_t> settled[4];
    HitScanFilter filter;
    filter.kinds = random() % 16;
    const bool leavePending = random() % 2;
    for (int k = 0; k < 4; ++k) {
      dense[k].resize(many ? 400 + random() % 1200 : random() % 64);
      for (Branch *&slot : dense[k])
        slot = random() % (mostlySettled ? 100 : 5) ? &branch : nullptr;
      settled[k].resize((dense[k].size() + 63) / 64);
      for (uint64_t &word : settled[k]) {
        word = (uint64_t{random()} << 32 | random()) & (uint64_t{random()} << 32 | random());
        if (mostlySettled) word = ~(word & word >> 1 & word >> 2);
      }
      for (std::size_t id = 0; id < dense[k].size(); ++id)
        if (!dense[k][id]) settled[k][id / 64] &= ~(uint64_t{1} << id % 64);
      filter.dense[k] = dense[k].data();
      filter.denseSize[k] = dense[k].size();
    }
    // With the cleaned trace, some branches are kept already.
    PendingHitArray kept[4];
    filter.cleaning = round % 4 == 1;
    for (int k = 0; filter.cleaning && k < 4; ++k) {
      makeDenseCounters(kept[k], static_cast<uint32_t>(random() % (many ? 1600 : 80)));
      for (uint32_t id = 0; id < kept[k].dense.size(); ++id)
        if (random() % (mostlySettled ? 20 : 3)) countDense(kept[k], id, 1, false);
      filter.kept[k] = kept[k].dense.data();
      filter.keptBits[k] = kept[k].denseBits.data();
      filter.keptSize[k] = kept[k].dense.size();
    }
    std::vector<uint32_t> decoded(200);
    const DecodedLines all =
        decodeHitLines(bestHitScanPath(), std::string_view(bytes.data(), text.size()),
                       decoded.data(), decoded.size());
    ASSERT_EQ(all.bytes, text.size());
    const std::size_t capacity = random() % 2 ? 256 : 2 + random() % 5;
    // The plain scan, then the recording of the decoded lines through each path,
    // each from the same bits: the filter with copies of them in `bits`.
    auto withBits = [&](std::vector<uint64_t>(&bits)[2][4]) {
      HitScanFilter copy = filter;
      for (int k = 0; k < 4; ++k) {
        bits[0][k] = settled[k];
        bits[1][k].assign(leavePending ? settled[k].size() : 0, 0);
        copy.settled[k] = bits[0][k].data();
        copy.pending[k] = leavePending ? bits[1][k].data() : nullptr;
      }
      return copy;
    };
    std::vector<uint64_t> scanBits[2][4];
    HitScanFilter scanFilter = withBits(scanBits);
    // The scans read as from the line reader: a NUL after the lines.
    const std::string scanBytes = text + '\0' + std::string(kHitScanPadding, 'x');
    std::vector<std::vector<std::string>> scanned;
    std::vector<std::size_t> scannedLineCounts;
    std::vector<TraceHit> hits(capacity);
    for (std::size_t at = 0, lines = 0; lines < all.lines;) {
      const HitScan scan = scanHitLinesWith(
          HitScanPath::Plain, std::string_view(scanBytes.data() + at, text.size() - at), false,
          hits.data(), capacity, &scanFilter);
      scanned.push_back(scannedLines(hits.data(), scan.hits));
      const auto taken = static_cast<std::size_t>(
          std::count(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + scan.bytes), '\n'));
      ASSERT_GT(taken, 0u);
      scannedLineCounts.push_back(taken);
      at += scan.bytes;
      lines += taken;
    }
    for (HitScanPath path : pathsToCompare()) {
      std::vector<uint64_t> bits[2][4];
      const HitScanFilter decodedFilter = withBits(bits);
      std::size_t call = 0;
      for (std::size_t taken = 0; taken < all.lines; ++call) {
        const DecodedTake take = takeDecodedHits(path, decoded.data() + taken, all.lines - taken,
                                                 hits.data(), capacity, decodedFilter);
        ASSERT_LT(call, scanned.size()) << hitScanPathName(path) << " round " << round;
        EXPECT_EQ(scannedLines(hits.data(), take.hits), scanned[call])
            << hitScanPathName(path) << " round " << round << " line " << taken;
        EXPECT_EQ(take.lines, scannedLineCounts[call]) << hitScanPathName(path);
        ASSERT_GT(take.lines, 0u);
        taken += take.lines;
      }
      for (int k = 0; k < 4; ++k)
        for (int b = 0; b < 2; ++b)
          EXPECT_EQ(bits[b][k], scanBits[b][k]) << hitScanPathName(path) << " round " << round;
    }
  }
}

TEST(PreparedHitRuns, RunsLieBetweenTheLinesLeftToTheReader) {
  // Three lines before the thread's share; then runs cut by an FT line, a line
  // with a count and an ID past the limit; a last line cut by the block's end.
  const std::string head = "TB 1\nTB 2\nTB 3\n";
  const std::string block = head + "TB 4\nTA 5\nFT 1\nTE 6\nTP 7 1\nTB 8\nTB " +
                            FormatHex(kDecodedIdLimit) + "\nTB 9\nTB 1";
  const std::string bytes = withPadding(block);
  const std::size_t size = block.size();
  for (HitScanPath path : pathsToCompare()) {
    SCOPED_TRACE(hitScanPathName(path));
    // The share ends inside "TA 5": the runs begin at the line after it.
    PreparedHitRuns runs(path, 22.0 / static_cast<double>(size));
    runs.prepare(2, bytes.data(), size);
    const PreparedHitRuns::Slot &slot = runs.slot(2);
    EXPECT_EQ(slot.data, bytes.data());
    std::vector<std::string> seen;
    for (const DecodedRun &run : slot.runs)
      seen.push_back(
          block.substr(run.start, run.bytes) + "=" +
          ::testing::PrintToString(decodedLines(slot.lines.data() + run.first, run.lines)));
    EXPECT_EQ(seen, std::vector<std::string>(
                        {"TE 6\n={ \"4:6\" }", "TB 8\n={ \"3:8\" }", "TB 9\n={ \"3:9\" }"}));
    // From the block's start, every line is in a run or left to the reader.
    PreparedHitRuns whole(path, 0);
    whole.prepare(0, bytes.data(), size);
    ASSERT_FALSE(whole.slot(0).runs.empty());
    EXPECT_EQ(whole.slot(0).runs.front().start, 5u)
        << "the first line may go on from the block before: it is the reader's";
    EXPECT_EQ(whole.slot(0).runs.front().lines, 4u) << "TB 2 to TA 5: the line before is cut";
    // Nothing to decode: a block without a line end after its share.
    PreparedHitRuns none(path, 0.5);
    none.prepare(1, bytes.data() + head.size() + 1, 3);
    EXPECT_TRUE(none.slot(1).runs.empty());
  }
}

} // namespace
