// Source files built in memory for the trace tests, and a listener that records
// the test boundaries it is told about.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cli/report_options.h"
#include "model/branch_lookup.h"
#include "model/coverage_model.h"
#include "model/hit_recorder.h"
#include "test_support.h"
#include "trace/trace_reader.h"

/// One service "f" with procedure points 0 (entry) and 1 (exit), call 0, simple
/// blocks 0..blocks-1 and one basic condition (branches 0 and 1).
inline SourceFile &addTestFile(CoverageModel &model, const char *name, uint32_t key,
                               uint32_t checksum, uint32_t blocks = 4,
                               CoverageTypes types = CovFunctions | CovFunctionsExits | CovCalls |
                                                     CovStatementBlocks | CovBasicConditions) {
  auto file = std::make_unique<SourceFile>();
  file->fdcName = std::string(name) + ".fdc";
  file->fileKey = key;
  file->checksum = checksum;
  file->instrumentedTypes = types;
  file->sourceName = internName(name);
  file->sourceDir = internName("src");
  auto service = std::make_unique<Service>();
  service->name = internName("f");
  service->hasEntry = true;
  service->entry.id = 0;
  service->exits.push_back(ExitEntry{});
  service->exits.back().branch.id = 1;
  service->calls.push_back(CallEntry{});
  service->calls.back().calledName = internName("g");
  for (uint32_t id = 0; id < blocks; ++id) {
    service->blocks.push_back(BlockEntry{});
    service->blocks.back().branch.id = id;
    service->blocks.back().label = "b" + std::to_string(id);
  }
  service->texts.push_back(std::make_unique<std::string>("\"c\""));
  for (uint32_t id = 0; id < 2; ++id) {
    service->conditions.push_back(ConditionEntry{});
    service->conditions.back().branch.id = id;
    service->conditions.back().text = service->texts.back().get();
  }
  service->staticCounts[CntFunctions] = 1;
  service->staticCounts[CntFunctionsExits] = 2;
  service->staticCounts[CntCalls] = 1;
  service->staticCounts[CntStatementBlocks] = blocks;
  service->staticCounts[CntBasicConditions] = 2;
  file->procedureBranchCount = 2;
  file->callBranchCount = 1;
  file->blockBranchCount = blocks;
  file->conditionBranchCount = 2;
  file->services.push_back(std::move(service));
  SourceFile &registered = model.registerSourceFile(std::move(file));
  buildBranchIndex(registered);
  return registered;
}

/// The service of a test file.
inline Service &serviceOf(SourceFile &file) {
  return *file.services.front();
}

/// Records every call with the test state it saw.
class RecordingListener : public TraceEvents {
public:
  /// The reader whose state is recorded; the file whose block hits are recorded.
  const TraceReader *reader = nullptr;
  SourceFile *file = nullptr;
  std::vector<std::string> events;
  /// The date of each test reported ("" for none).
  std::vector<std::string> dates;
  /// What keepsTestHits answers.
  bool keepTestHits = false;

  void testEnded() override {
    events.push_back("test " + describe());
    const NameEntry *date = reader->state().currentDate;
    dates.push_back(date ? date->text : "");
  }
  void groupEnded() override {
    events.push_back("group " + std::to_string(reader->state().groupNumber));
  }
  void tracesEnded() override { events.push_back("end"); }
  bool keepsTestHits() const override { return keepTestHits; }

private:
  /// Test name, number, count orientation and the blocks hit in the test.
  std::string describe() const {
    const TestState &state = reader->state();
    std::string text = state.testName ? state.testName->text : "-";
    text += "/" + std::to_string(state.testNumber);
    if (state.countOriented) text += "/co";
    if (file) text += " blocks=" + std::to_string(serviceOf(*file).testCovered[CntStatementBlocks]);
    return text;
  }
};

using Events = std::vector<std::string>;

/// A model of two files, a.c (key 0x11, checksum 0x22) and b.c (0x33, 0x44), and
/// a reading pass over trace files written in a temporary directory.
class TraceFixture : public ::testing::Test {
protected:
  void SetUp() override {
    a_ = &addTestFile(model_, "a.c", 0x11, 0x22);
    b_ = &addTestFile(model_, "b.c", 0x33, 0x44);
    listener_.file = a_;
  }
  void TearDown() override {
    for (NameEntry *entry : marked_)
      entry->flags = 0;
    for (OccurrenceList *list : {&options_.testList, &options_.excludedTestList, &options_.fileList,
                                 &options_.excludedFileList})
      freeOccurrenceList(*list);
  }

  /// A trace file with this content, named t0.tio, t1.tio...
  std::string trace(const std::string &content) {
    return dir_.write("t" + std::to_string(traces_++) + ".tio", content);
  }
  /// Puts a name in a selection list (with its flag).
  void select(OccurrenceList &list, const char *name, uint32_t flag) {
    NameEntry *entry = internName(name);
    entry->flags |= flag;
    marked_.push_back(entry);
    countOccurrence(list, entry);
  }
  /// Runs the reading pass over the files (and finishes the cleaned trace).
  void runPass(const std::vector<std::string> &files) {
    listener_.keepTestHits = !options_.global || options_.cioFile.has_value();
    TraceReader reader(hits_, options_, &listener_, runTime_);
    listener_.reader = &reader;
    reader.run(files);
    reader.finishCleanedOutput();
    countOriented_ = reader.state().countOriented;
    date_ = reader.state().currentDate ? reader.state().currentDate->text : "";
  }
  /// The same, returning what the pass wrote to stderr.
  std::string run(const std::vector<std::string> &files) {
    ::testing::internal::CaptureStderr();
    runPass(files);
    return ::testing::internal::GetCapturedStderr();
  }
  static uint32_t blockHits(SourceFile &file, uint32_t id) {
    return serviceOf(file).blocks[id].branch.totalHits;
  }
  static uint32_t blocksCovered(SourceFile &file) {
    return serviceOf(file).totalCovered[CntStatementBlocks];
  }

  TempDir dir_;
  CoverageModel model_;
  HitRecorder hits_{model_};
  ReportOptions options_;
  RecordingListener listener_;
  /// The run's time given to the reading pass.
  std::time_t runTime_ = 0;
  SourceFile *a_ = nullptr;
  SourceFile *b_ = nullptr;
  std::vector<NameEntry *> marked_;
  int traces_ = 0;
  bool countOriented_ = false;
  std::string date_;
};
