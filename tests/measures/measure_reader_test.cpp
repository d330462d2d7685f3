// Reading a measure database back: what the writer appended comes back record by
// record, a record still being appended is left out, and a missing database is
// told from an empty one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "measure_files.h"
#include "measures/measure_database.h"
#include "measures/measure_error_display.h"
#include "measures/measure_reader.h"
#include "message_sink.h"
#include "test_support.h"

namespace {

class MeasureReaderTest : public ::testing::Test {
protected:
  void SetUp() override {
    setMessageIdentity("Corvane Velmora", "zeltocov");
    std::filesystem::create_directories(dir_.path() + "/Coverage");
    paths_ = measurePaths(dir_.path(), "Coverage", "ann", 2);
  }
  void append(uint32_t key, uint32_t date, const std::vector<uint32_t> &values) {
    MeasureErrorDisplay display(sink_.stream());
    MeasureDatabase database(paths_, 2, display);
    ASSERT_TRUE(database.open() && database.append(key, date, values) && database.close())
        << sink_.text();
  }

  TempDir dir_;
  MeasurePaths paths_;
  MessageSink sink_;
};

TEST_F(MeasureReaderTest, ReadsBackWhatTheWriterAppendedWithItsRunningTotals) {
  append(7, 100, {1, 2});
  append(9, 101, {10, 20});
  append(7, 102, {3, 0x80000001});
  const auto records = readMeasureRecords(paths_.database, 2);
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 3u);
  EXPECT_EQ((*records)[0].key, 7u);
  EXPECT_EQ((*records)[0].date, 100u);
  EXPECT_EQ((*records)[1].totals, (std::vector<uint32_t>{11, 22}));
  EXPECT_EQ((*records)[2].key, 7u);
  EXPECT_EQ((*records)[2].date, 102u);
  EXPECT_EQ((*records)[2].values, (std::vector<uint32_t>{3, 0x80000001}));
  // The key's new values replace its old ones in the totals.
  EXPECT_EQ((*records)[2].totals, (std::vector<uint32_t>{13, 0x80000015}));
}

TEST_F(MeasureReaderTest, ARecordNotYetWholeIsLeftOut) {
  append(7, 100, {1, 2});
  std::ofstream(paths_.database, std::ios::binary | std::ios::app) << littleEndian({101, 9, 5});
  const auto records = readMeasureRecords(paths_.database, 2);
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 1u);
  EXPECT_EQ((*records)[0].values, (std::vector<uint32_t>{1, 2}));
}

TEST_F(MeasureReaderTest, ManyRecordsCrossTheReadBlocks) {
  // More records than one read block holds (1024), and a torn one at the end.
  std::string bytes;
  for (uint32_t i = 0; i < 2500; ++i)
    bytes += littleEndian({i, i % 7, i, i * 2});
  bytes += littleEndian({1, 2});
  const std::string path = dir_.write("big.tpm", bytes);
  const auto records = readMeasureRecords(path, 1);
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 2500u);
  for (uint32_t i = 0; i < 2500; ++i) {
    ASSERT_EQ((*records)[i].date, i);
    ASSERT_EQ((*records)[i].key, i % 7);
    ASSERT_EQ((*records)[i].totals, std::vector<uint32_t>{i * 2});
  }
}

TEST_F(MeasureReaderTest, AMissingDatabaseIsNoneAndAnEmptyOneHasNoRecord) {
  EXPECT_FALSE(readMeasureRecords(dir_.path() + "/none.tpm", 2));
  // Neither a link nor a FIFO is read (a FIFO would make the reader wait for ever).
  std::filesystem::create_symlink(dir_.write("target.tpm", littleEndian({1, 2, 3, 4})),
                                  dir_.path() + "/link.tpm");
  EXPECT_FALSE(readMeasureRecords(dir_.path() + "/link.tpm", 1));
  ASSERT_EQ(mkfifo((dir_.path() + "/fifo.tpm").c_str(), 0600), 0);
  EXPECT_FALSE(readMeasureRecords(dir_.path() + "/fifo.tpm", 1));
  const auto empty = readMeasureRecords(dir_.write("empty.tpm", ""), 2);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
}

} // namespace
