#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cli/report_options.h"
#include "model/hit_recorder.h"
#include "model/model_builder.h"
#include "report/report_labels.h"
#include "report/report_scope.h"
#include "report/selection_check.h"
#include "report/text_report.h"
#include "support/name_table.h"
#include "trace/test_state.h"

namespace {

/// A report state writing into a temporary stream, over a model built by hand.
class TextReportTest : public ::testing::Test {
protected:
  void SetUp() override {
    static bool tableReady = false;
    if (!tableReady) {
      initNameTable();
      tableReady = true;
    }
    out_ = std::tmpfile();
    ASSERT_NE(out_, nullptr);
    run_.out = out_;
    run_.options = &options_;
    run_.hits = &hits_;
    run_.trace = &trace_;
  }
  void TearDown() override {
    if (out_) std::fclose(out_);
  }

  /// Everything written so far; the stream is emptied for the next check.
  std::string output() {
    std::fflush(out_);
    std::string text;
    std::rewind(out_);
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, out_)) > 0)
      text.append(chunk, n);
    std::fclose(out_);
    out_ = std::tmpfile();
    run_.out = out_;
    return text;
  }

  SourceFile &addFile(const char *name, CoverageTypes types) {
    auto file = std::make_unique<SourceFile>();
    file->sourceName = internName(name);
    file->instrumentedTypes = types;
    return model_.registerSourceFile(std::move(file));
  }

  static const std::string *keepText(Service &service, const char *text) {
    service.texts.push_back(std::make_unique<std::string>(text));
    return service.texts.back().get();
  }

  static void addCondition(Service &service, uint8_t kind, const std::string *text, uint32_t line,
                           uint32_t totalHits) {
    ConditionEntry entry;
    entry.kind = kind;
    entry.text = text;
    entry.branch.firstLine = line;
    entry.branch.totalHits = totalHits;
    service.conditions.push_back(entry);
  }

  std::FILE *out_ = nullptr;
  ReportOptions options_;
  CoverageModel model_;
  HitRecorder hits_{model_};
  TestState trace_;
  ReportScope scope_;
  ReportRunState run_;
};

TEST_F(TextReportTest, RateLinesPadTheRateAndNameMissingTotals) {
  writeRateLine(run_, "\t", "Calls .......................", 4, 2, "  none");
  writeRateLine(run_, "", "Calls .......................", 3, 3, "  none");
  writeRateLine(run_, "", "Calls .......................", 0, 0, "   n/a");
  EXPECT_EQ(output(), "\t\t\tCalls .......................  50.0% (2/4)\n"
                      "\t\tCalls ....................... 100.0% (3/3)\n"
                      "\t\tCalls .......................    n/a\n");
}

TEST_F(TextReportTest, ReferencesListUnhitOrHitOnlyOutsideCountMode) {
  writeReference(run_, "work", nullptr, 0, 13, false);
  writeReference(run_, "init", nullptr, 2, 11, false);
  EXPECT_EQ(output(), "\t\t\t\twork, line 13\n");

  options_.listCovered = true;
  writeReference(run_, "work", nullptr, 0, 13, false);
  writeReference(run_, "\"c\"", "True", 2, 11, false);
  EXPECT_EQ(output(), "\t\t\t\t\"c\" True, line 11\n");
}

TEST_F(TextReportTest, CountModeListsEveryReferenceWithMarkersAndSaturation) {
  writeReference(run_, "stop", nullptr, 0, 5, true);
  writeReference(run_, "step", "x", 7, 4, true);
  writeReference(run_, "loop", nullptr, 0x7FFFFFFF, 9, true);
  EXPECT_EQ(output(), "\t\t\t*****\tstop, line 5, 0 time(s)\n"
                      "\t\t\t\tstep x, line 4, 7 time(s)\n"
                      "\t\t\t\tloop, line 9, 2147483647 time(s) (maximum reached)\n");
  run_.language = French;
  writeReference(run_, "loop", nullptr, 0x7FFFFFFF, 9, true);
  EXPECT_EQ(output(), "\t\t\t\tloop, ligne 9, 2147483647 fois (maximum atteint)\n");
}

TEST_F(TextReportTest, TrueAndFalseFollowTheSharedTextNotItsContent) {
  SourceFile &file = addFile("cond_identity.c", CovBasicConditions);
  Service &service = ModelBuilder(model_).selectService(file, internName("identity"));
  // Two CE records with the same condition text: each pair shares its own copy.
  const std::string *first = keepText(service, "\"x\"");
  const std::string *second = keepText(service, "\"x\"");
  const std::string *single = keepText(service, "\"s\"");
  addCondition(service, CondBasic, first, 3, 0);
  addCondition(service, CondBasic, first, 3, 0);
  addCondition(service, CondBasic, second, 4, 0);
  addCondition(service, CondBasic, second, 4, 1);
  addCondition(service, CondSingle, single, 5, 0);
  service.staticCounts[CntBasicConditions] = 5;
  service.totalCovered[CntBasicConditions] = 1;

  run_.effectiveMask = CovBasicConditions;
  writeSection(run_, &service, "\t", "identity", nullptr, service.staticCounts,
               service.totalCovered, file.instrumentedTypes);
  EXPECT_EQ(output(), "\tidentity :\n"
                      "\t\t\tBasic conditions ............  20.0% (1/5)\n"
                      "\t\t\t\t\"x\" True, line 3\n"
                      "\t\t\t\t\"x\" False, line 3\n"
                      "\t\t\t\t\"x\" True, line 4\n"
                      "\t\t\t\t\"s\", line 5\n");
}

TEST_F(TextReportTest, EntryReferenceFollowsTheHitLineOnlyInCountModeWithoutExits) {
  SourceFile &file = addFile("entry_ref.c", CovFunctions | CovFunctionsExits);
  Service &service = ModelBuilder(model_).selectService(file, internName("svc"));
  service.hasEntry = true;
  service.entry.firstLine = 8;
  service.entry.totalHits = 4;
  service.exits.push_back(ExitEntry{});
  service.exits.back().branch.firstLine = 9;
  service.exits.back().kind = ExitTermination;
  service.staticCounts[CntFunctions] = 1;
  service.staticCounts[CntFunctionsExits] = 2;
  service.totalCovered[CntFunctions] = 1;
  service.totalCovered[CntFunctionsExits] = 1;

  trace_.countOriented = true;
  run_.effectiveMask = CovFunctions;
  writeSection(run_, &service, "\t", "svc", nullptr, service.staticCounts, service.totalCovered,
               file.instrumentedTypes);
  EXPECT_EQ(output(), "\tsvc :\n"
                      "\t\t\tHit .........................    yes\n"
                      "\t\t\t\tincoming, line 8, 4 time(s)\n");

  run_.effectiveMask = CovFunctions | CovFunctionsExits;
  writeSection(run_, &service, "\t", "svc", nullptr, service.staticCounts, service.totalCovered,
               file.instrumentedTypes);
  EXPECT_EQ(output(), "\tsvc :\n"
                      "\t\t\tHit .........................    yes\n"
                      "\t\t\tFunctions and exits .........  50.0% (1/2)\n"
                      "\t\t\t\tincoming, line 8, 4 time(s)\n"
                      "\t\t\t*****\ttermination, line 9, 0 time(s)\n");

  // The service summary has no reference lists, but the entry's count stays.
  options_.summaryLevel = SummaryService;
  run_.effectiveMask = CovFunctions;
  writeSection(run_, &service, "\t", "svc", nullptr, service.staticCounts, service.totalCovered,
               file.instrumentedTypes);
  EXPECT_EQ(output(), "\tsvc :\n"
                      "\t\t\tHit .........................    yes\n"
                      "\t\t\t\tincoming, line 8, 4 time(s)\n");
  options_.summaryLevel = SummaryFull;

  // Without count mode the entry is not listed under the hit line.
  trace_.countOriented = false;
  run_.effectiveMask = CovFunctions;
  writeSection(run_, &service, "\t", "svc", nullptr, service.staticCounts, service.totalCovered,
               file.instrumentedTypes);
  EXPECT_EQ(output(), "\tsvc :\n\t\t\tHit .........................    yes\n");
}

TEST_F(TextReportTest, TestReportsCarryTheNoteFromTheSecondOnAndSkipPlaceholders) {
  options_.global = false;
  options_.summaryLevel = SummaryFile;
  options_.coverageTypes = CovModifiedConditions;
  SourceFile &file = addFile("notes.c", CovModifiedConditions);
  Service &service = ModelBuilder(model_).selectService(file, internName("n"));
  service.staticCounts[CntModifiedConditions] = 2;
  // A composition of two conditions; both vectors of the first one's pair are
  // hit, so it counts in the test (the hits go through the model, which keeps
  // the list of the services hit in the test that a test report sums).
  for (uint32_t id : {0u, 1u}) {
    ConditionEntry vector;
    vector.kind = CondCompoundVector;
    vector.branch.id = id;
    service.conditions.push_back(vector);
  }
  Composition composition;
  composition.items.resize(2);
  composition.items[0].pairs.push_back(VectorPair{0, 1});
  service.compositions.push_back(composition);
  hits_.markTraceBranch(file, KindCondition, 0, 1, false);
  hits_.markTraceBranch(file, KindCondition, 1, 1, false);
  hits_.updateModifiedConditions();
  ASSERT_EQ(service.testCovered[CntModifiedConditions], 1u);
  auto placeholder = std::make_unique<SourceFile>();
  placeholder->placeholder = true;
  model_.registerSourceFile(std::move(placeholder));
  trace_.testName = internName("first");
  scope_ = buildReportScope(model_, options_);
  run_.scope = &scope_;
  run_.effectiveMask = scope_.runMask();

  writeTestReport(run_);
  const std::string sep(80, '-');
  EXPECT_EQ(output(), sep + "\nTest first :\n" + sep + "\nnotes.c :\n" +
                          "\t\tModified conditions .........  50.0% (1/2)\n" + sep +
                          "\nConclusion Test first :\n" +
                          "\t\tModified conditions .........  50.0% (1/2)\n");
  EXPECT_EQ(run_.reportedMask, CovModifiedConditions);
  EXPECT_EQ(run_.runTotals[CntModifiedConditions], 2u);

  trace_.testName = internName("second");
  writeTestReport(run_);
  EXPECT_EQ(output(), sep + "\nTest second :\n" + sep +
                          "\n(For modified conditions, previous tests are taken into account)\n"
                          "notes.c :\n" +
                          "\t\tModified conditions .........  50.0% (1/2)\n" + sep +
                          "\nConclusion Test second :\n" +
                          "\t\tModified conditions .........  50.0% (1/2)\n");
}

TEST_F(TextReportTest, FileWithoutSelectedServiceIsMarkedExcludedUnderItsUpperCasedName) {
  options_.selectAll &= ~SelectAllServices;
  NameEntry *kept = internName("kept_service");
  kept->flags |= InServiceList;
  SourceFile &withService = addFile("dir/Kept.c", CovFunctions);
  ModelBuilder(model_).selectService(withService, kept);
  SourceFile &without = addFile("lib/Dropped.c", CovFunctions);
  ModelBuilder(model_).selectService(without, internName("other_service"));

  checkSelection(options_, model_);
  EXPECT_TRUE(internName("DROPPED.C")->flags & InExFileList);
  EXPECT_FALSE(internName("KEPT.C")->flags & InExFileList);
}

TEST_F(TextReportTest, NothingLeftToReportEndsTheRun) {
  SourceFile &file = addFile("typed.c", CovFunctions);
  ModelBuilder(model_).selectService(file, internName("typed_service"));
  options_.coverageTypes = CovCalls;
  EXPECT_EXIT(checkSelection(options_, model_), ::testing::ExitedWithCode(7),
              "There is nothing to report \\.\\.\\. report is empty");
}

TEST(ReportLabels, EveryCellIsSetAndColumnsKeepTheirWidths) {
  for (int row = 0; row < LblCount; ++row)
    for (int column = 0; column < ColumnCount; ++column)
      EXPECT_NE(kReportLabels.get(ReportLabel(row), column), nullptr);
  // The rate labels of both report columns are aligned at 29 characters.
  for (ReportLabel row :
       {LblFunctions, LblServiceHit, LblFunctionsExits, LblCalls, LblStatementBlocks,
        LblImplicitBlocks, LblDecisions, LblLoops, LblAsyncBlocks, LblBasicConditions,
        LblModifiedConditions, LblCompoundConditions, LblForcedModifiedConditions,
        LblForcedCompoundConditions})
    for (int column : {ColumnEnglish, ColumnFrench})
      EXPECT_EQ(std::string(kReportLabels.get(row, column)).size(), 29u) << row << "/" << column;
}

} // namespace
