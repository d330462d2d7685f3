// The changed lines of a diff against a run: how diff paths find the report's
// files, which lines carry items, the tests that ran them, the list of
// -AFFECTED and the gate on them.
#include <cstdio>

#include "cli/coverage_thresholds.h"
#include "export/affected_tests.h"
#include "export/changed_lines.h"
#include "export/coverage_gate.h"
#include "export/export_run.h"
#include "fdc_test_helpers.h"
#include "report/report_scope.h"
#include "report/test_attribution.h"

namespace {

/// A section of source `name` in `directory`: f with an entry on line 1, a body
/// block on 2 to 5, a condition on 3 and an implicit else placed on 4.
std::string section(const std::string &name, const std::string &directory) {
  return "VE 3.0e tok\nFC \"" + name + "\" \"" + directory +
         "\"\nFD 0\nTC PR BS BI CO\n"
         "PR 0 proc \"f\" 1 1\n"
         "BL 0 simple \"f\" body 2 5\n"
         "CE 0 \"f\" \"a\" 3 3\n"
         "BL 1 implicit \"f\" else 3 4\n"
         "DC 1 " +
         std::to_string(name.size() + directory.size()) + "\n";
}

class ChangedLinesTest : public FdcTest {
protected:
  /// Runs tests, each a name and the blocks (kind 3) it hits, every test also
  /// hitting the entry of the file's f.
  void runTests(SourceFile &file,
                std::initializer_list<std::pair<const char *, std::vector<uint32_t>>> tests) {
    for (const auto &[name, blocks] : tests) {
      hits.markTraceBranch(file, 1, 0, 1, false);
      for (const uint32_t block : blocks)
        hits.markTraceBranch(file, 3, block, 1, false);
      hits.updateModifiedConditions();
      attribution.testEnded(hits.servicesHitInTest(), internName(name));
      hits.resetTestHits();
    }
  }

  ExportRun &concluded() {
    scope = buildReportScope(model, settings);
    run.scope = &scope;
    run.options = &settings;
    run.currentDirectory = "/work";
    run.attribution = &attribution;
    return run;
  }

  static DiffFile changed(const std::string &path, std::vector<uint32_t> lines,
                          const std::string &given = "") {
    DiffFile file;
    file.path = path;
    file.givenPath = given.empty() ? path : given;
    file.lines = std::move(lines);
    return file;
  }

  RunSettings settings;
  ReportScope scope;
  ExportRun run;
  TestAttribution attribution;
};

TEST_F(ChangedLinesTest, LinesByTheLineRuleWithTheTestsThatRanThem) {
  load("a.fdc", section("a.c", "/work/src/"));
  load("b.fdc", section("b.c", "/elsewhere/lib/"));
  load("c.fdc", section("b.c", "/other/lib/"));
  SourceFile &a = *model.files()[0];
  // "one" hits a's body, "two" and "one" again its implicit else only.
  runTests(a, {{"one", {0}}, {"two", {1}}, {"one", {1}}});
  ExportRun &concluded = this->concluded();

  UnifiedDiff diff;
  // Line 4 holds only the implicit else: no item runs it. Line 9 holds nothing.
  diff.files.push_back(changed("src/a.c", {4, 2, 1, 9}));
  // Two files end with lib/b.c: no match; their full path matches one; the
  // path as written, b/ prefix kept, is tried after the other.
  diff.files.push_back(changed("lib/b.c", {1}));
  diff.files.push_back(changed("other/lib/b.c", {2}));
  diff.files.push_back(changed("nowhere/b.c", {1}, "/elsewhere/lib/b.c"));
  diff.files.push_back(changed("new.c", {1, 2}));
  const ChangeReport report = evaluateChanges(diff, concluded, &attribution);

  ASSERT_EQ(report.lines.size(), 4u);
  EXPECT_EQ(report.lines[0].path, "src/a.c");
  EXPECT_EQ(report.lines[0].line, 2u);
  EXPECT_TRUE(report.lines[0].hit);
  EXPECT_EQ(report.lines[0].tests, (std::vector<uint32_t>{0}));
  // The entry: every test, "one" named once by its first ordinal.
  EXPECT_EQ(report.lines[1].line, 1u);
  EXPECT_EQ(report.lines[1].tests, (std::vector<uint32_t>{0, 1}));
  EXPECT_EQ(report.lines[2].path, "/other/lib/b.c");
  EXPECT_FALSE(report.lines[2].hit);
  EXPECT_TRUE(report.lines[2].tests.empty());
  EXPECT_EQ(report.lines[3].path, "/elsewhere/lib/b.c");
  EXPECT_EQ(report.linesHit, 2u);
  EXPECT_EQ(report.linesWithoutItems, 2u);
  EXPECT_EQ(report.unmatchedPaths, (std::vector<std::string>{"lib/b.c", "new.c"}));
  EXPECT_EQ(report.tests, (std::vector<uint32_t>{0, 1}));

  concluded.changes = report;
  std::FILE *out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  writeAffectedTests(out, concluded);
  std::rewind(out);
  char text[256] = {};
  const std::size_t size = std::fread(text, 1, sizeof text - 1, out);
  std::fclose(out);
  EXPECT_EQ(std::string(text, size), "one\ntwo\n# not covered by any test\n/other/lib/b.c:2\n"
                                     "/elsewhere/lib/b.c:1\n");

  // The gate counts the changed lines with items only: 2 of 4.
  std::vector<CoverageThreshold> thresholds(2);
  ASSERT_EQ(parseThreshold("CHANGED:50", thresholds[0]), ThresholdError::None);
  ASSERT_EQ(parseThreshold("CHANGED:50.1", thresholds[1]), ThresholdError::None);
  const std::vector<GateResult> gate =
      evaluateGate(thresholds, CoverageCounts{}, CoverageCounts{}, 0, &report);
  EXPECT_TRUE(gate[0].passed);
  EXPECT_FALSE(gate[1].passed);
  EXPECT_EQ(gate[1].total, 4u);
  EXPECT_EQ(gateRateText(gate[1]), "50.00");
}

TEST_F(ChangedLinesTest, AnEmptyDiffAndNoTestPass) {
  load("a.fdc", section("a.c", "/work/"));
  runTests(*model.files()[0], {});
  const ChangeReport report = evaluateChanges(UnifiedDiff{}, concluded(), &attribution);
  EXPECT_TRUE(report.lines.empty() && report.tests.empty() && report.unmatchedPaths.empty());
  std::vector<CoverageThreshold> thresholds(1);
  ASSERT_EQ(parseThreshold("CH:100", thresholds[0]), ThresholdError::None);
  EXPECT_TRUE(evaluateGate(thresholds, {}, {}, 0, &report)[0].passed);
}

} // namespace
