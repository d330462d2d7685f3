// The coverage measures of a run: one per selected file, hits of the set the
// reports showed, totals of the selected services, under the file's key.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "measure_files.h"
#include "measures/measure_export.h"
#include "message_sink.h"
#include "model/coverage_records.h"
#include "support/host_services.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

CoverageCounts counts(std::initializer_list<uint32_t> values) {
  CoverageCounts result;
  int i = 0;
  for (uint32_t value : values)
    result[i++] = value;
  return result;
}

class MeasureExportTest : public ::testing::Test {
protected:
  void SetUp() override {
    setMessageIdentity("Corvane Velmora", "zeltocov");
    fs::create_directories(dir_.path() + "/Coverage");
    // Two files; the second has a service left out by the service selection.
    addFile(0xCAFE0001, {{counts({1, 3, 2}), counts({1, 2, 0}), counts({1, 2, 1})},
                         {counts({1, 1, 0, 4}), counts({0, 0, 0, 0}), counts({1, 1, 0, 3})}});
    addFile(0x00000002,
            {{counts({1, 2, 0, 0, 0, 0, 0, 6, 1, 4}), counts({1, 1, 0, 0, 0, 0, 0, 2, 0, 1}),
              counts({1, 2, 0, 0, 0, 0, 0, 5, 1, 3})},
             {counts({1, 1}), counts({1, 1}), counts({1, 1})}});
    scope_.files[1].services.pop_back();
    scope_.files[1].totals = scope_.files[1].services[0]->staticCounts;
  }

  struct ServiceCounts {
    CoverageCounts totals, test, run;
  };
  void addFile(uint32_t key, std::vector<ServiceCounts> services) {
    auto file = std::make_unique<SourceFile>();
    file->fileKey = key;
    FileSummary summary;
    summary.file = file.get();
    for (const ServiceCounts &counts : services) {
      auto service = std::make_unique<Service>();
      service->staticCounts = counts.totals;
      service->testCovered = counts.test;
      service->totalCovered = counts.run;
      summary.services.push_back(service.get());
      summary.totals += counts.totals;
      file->services.push_back(std::move(service));
    }
    scope_.files.push_back(std::move(summary));
    files_.push_back(std::move(file));
  }

  std::vector<DecodedRecord> records() const {
    return recordsOf(readFile(dir_.path() + "/Coverage/ann.20.tpm"), 20);
  }

  TempDir dir_;
  MessageSink sink_;
  ScopedEnv root_{"ZELTO_TPM_ROOT", dir_.path()};
  ScopedEnv user_{"ZELTO_TPM_USER", "ann"};
  std::vector<std::unique_ptr<SourceFile>> files_;
  ReportScope scope_;
};

TEST_F(MeasureExportTest, OneMeasurePerSelectedFileOfItsSelectedServices) {
  MeasureExport(getEnv("ZELTO_TPM_ROOT"), 1700000000, sink_.stream())
      .exportMeasures(scope_, HitSet::Run);
  EXPECT_EQ(sink_.text(), "");
  const std::vector<DecodedRecord> all = records();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].key, 0xCAFE0001u);
  EXPECT_EQ(all[0].date, 1700000000u);
  // Ten hits, then ten totals.
  EXPECT_EQ(all[0].values, (std::vector<uint32_t>{2, 3, 1, 3, 0, 0, 0, 0, 0, 0, //
                                                  2, 4, 2, 4, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(all[0].totals, all[0].values);
  EXPECT_EQ(all[1].key, 2u);
  EXPECT_EQ(all[1].values, (std::vector<uint32_t>{1, 2, 0, 0, 0, 0, 0, 5, 1, 3, //
                                                  1, 2, 0, 0, 0, 0, 0, 6, 1, 4}));
  EXPECT_EQ(all[1].totals, (std::vector<uint32_t>{3, 5, 1, 3, 0, 0, 0, 5, 1, 3, //
                                                  3, 6, 2, 4, 0, 0, 0, 6, 1, 4}));
  EXPECT_EQ(readFile(dir_.path() + "/Coverage/ann.20.idx"), littleEndian({0xCAFE0001, 0, 2, 168}));
}

TEST_F(MeasureExportTest, TheLastTestsHitsWhenTheReportsShowedThem) {
  MeasureExport(getEnv("ZELTO_TPM_ROOT"), 1700000000, sink_.stream())
      .exportMeasures(scope_, HitSet::Test);
  const std::vector<DecodedRecord> all = records();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].values, (std::vector<uint32_t>{1, 2, 0, 0, 0, 0, 0, 0, 0, 0, //
                                                  2, 4, 2, 4, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(all[1].values, (std::vector<uint32_t>{1, 1, 0, 0, 0, 0, 0, 2, 0, 1, //
                                                  1, 2, 0, 0, 0, 0, 0, 6, 1, 4}));
}

TEST_F(MeasureExportTest, NothingWithoutZeltoTpmRootAndOneErrorPerFileForAMissingDirectory) {
  {
    ScopedEnv noRoot("ZELTO_TPM_ROOT", std::nullopt);
    MeasureExport(getEnv("ZELTO_TPM_ROOT"), 1700000000, sink_.stream())
        .exportMeasures(scope_, HitSet::Run);
  }
  EXPECT_EQ(sink_.text(), "");
  EXPECT_FALSE(fs::exists(dir_.path() + "/Coverage/ann.20.tpm"));

  ScopedEnv missing("ZELTO_TPM_ROOT", dir_.path() + "/none");
  MeasureExport(getEnv("ZELTO_TPM_ROOT"), 1700000000, sink_.stream())
      .exportMeasures(scope_, HitSet::Run);
  const std::string error =
      tpmMessage("ZELTO_TPM_ROOT directory does not exist: " + dir_.path() + "/none");
  EXPECT_EQ(sink_.text(), error + error);
}

} // namespace
