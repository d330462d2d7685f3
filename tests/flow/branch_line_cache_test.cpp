// The lines of decoded hits written sixteen at a time with 64-byte vectors are
// the lines written one at a time: kinds left out, IDs without a line, lines too
// long for a record, runs of every length and the output's block boundaries.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "fdc_test_helpers.h"
#include "flow/branch_line.h"
#include "flow/branch_line_cache.h"
#include "model/service_cursor.h"
#include "trace/hit_line_scanner.h"

namespace {

class BranchLineCacheTest : public FdcTest {
protected:
  /// What writeDecodedLines writes for the runs of `lines` (split after each
  /// length of `runs`, in turn), with wide copies or not.
  std::string written(bool wide, const std::vector<uint32_t> &lines,
                      const std::vector<std::size_t> &runs, unsigned kinds) {
    const std::string path = dir.path() + (wide ? "/wide.txt" : "/plain.txt");
    std::FILE *file = std::fopen(path.c_str(), "w");
    if (!file) return "cannot create " + path;
    {
      ServiceCursor cursor;
      BranchLineCache cache(cursor, branchLineLabels(0), wide);
      cache.selectFile(*model.files().front());
      FlowOutput out(file, QString::fromStdString(path));
      std::size_t at = 0;
      for (std::size_t r = 0; at < lines.size(); r = (r + 1) % runs.size()) {
        const std::size_t count = std::min(runs[r], lines.size() - at);
        cache.writeDecodedLines(lines.data() + at, count, kinds, out);
        at += count;
      }
      out.finish();
    }
    std::fclose(file);
    return readFile(path);
  }
};

TEST_F(BranchLineCacheTest, WideCopiesWriteTheLinesOfPlainOnes) {
  if (bestHitScanPath() < HitScanPath::Avx512) GTEST_SKIP() << "no AVX-512 BW on this processor";
  // Functions whose entry lines run from 20 to 90 bytes (kept in a record up to
  // 63), blocks, a call and a condition; IDs 40 and over name no branch.
  std::string fdc = "VE 3.0e T\nFC \"k.c\" \"/src\"\nFD 0\nTC PR BS AP CO\n";
  for (int i = 0; i < 36; ++i) {
    const std::string name(3 + 2 * i, static_cast<char>('a' + i % 26));
    fdc += "PR " + std::to_string(i) + " proc \"" + name + "\" " + std::to_string(i + 1) + " 1\n";
    fdc += "BL " + std::to_string(i) + " simple \"" + name + "\" b" + std::to_string(i) + " 2 2\n";
  }
  fdc += "AP 0 \"aaa\" \"g\" 3 3\nCA 0 \"aaa\" \"x\" 4 4\nDC 1409286145 1\n";
  load("k.fdc", fdc);
  std::mt19937 random(11);
  std::vector<uint32_t> lines;
  // More than three output blocks of lines: the blocks fill up inside runs.
  for (int i = 0; i < 150000; ++i) {
    const unsigned kind = 1 + random() % 4;
    const uint32_t id = random() % 8 == 0 ? 40 + random() % 2000 : random() % 38;
    lines.push_back(decodedLine(kind, id));
  }
  for (unsigned kinds : {0xFu, 0x1u, 0x6u, 0xAu, 0x0u}) {
    for (const std::vector<std::size_t> &runs :
         {std::vector<std::size_t>{150000}, {1, 15, 16, 17, 33, 4096}, {7}}) {
      const std::string plain = written(false, lines, runs, kinds);
      const std::string wide = written(true, lines, runs, kinds);
      EXPECT_EQ(wide.size(), plain.size()) << kinds << " " << runs.size();
      EXPECT_TRUE(wide == plain) << kinds << " " << runs.size();
      if (kinds == 0xF) {
        EXPECT_GT(plain.size(), 3 * FlowOutput::kBlockSize);
      }
    }
  }
}

} // namespace
