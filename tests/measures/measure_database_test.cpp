// The record arithmetic of a pair of measure files, checked on the bytes of the
// files it writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "measure_files.h"
#include "measures/measure_database.h"
#include "measures/measure_error_display.h"
#include "message_sink.h"
#include "test_support.h"

namespace {

using Entries = std::vector<std::pair<uint32_t, uint32_t>>;

class MeasureDatabaseTest : public ::testing::Test {
protected:
  void SetUp() override {
    setMessageIdentity("Corvane Velmora", "zeltocov");
    std::filesystem::create_directories(dir_.path() + "/Coverage");
    paths_ = measurePaths(dir_.path(), "Coverage", "ann", 3);
  }

  bool append(uint32_t key, uint32_t date, const std::vector<uint32_t> &values) {
    MeasureErrorDisplay display(sink_.stream());
    return MeasureDatabase(paths_, display).append(key, date, values);
  }
  std::string database() const { return readFile(paths_.database); }
  std::string index() const { return readFile(paths_.index); }
  std::vector<DecodedRecord> records() const { return recordsOf(database(), 3); }

  TempDir dir_;
  MeasurePaths paths_;
  MessageSink sink_;
};

TEST_F(MeasureDatabaseTest, FirstMeasureCreatesBothFilesWithTotalsEqualToItsValues) {
  ASSERT_TRUE(append(0x01020304, 1700000000, {5, 0, 0xA0B0C0D0}));
  EXPECT_EQ(sink_.text(), "");
  EXPECT_EQ(paths_.database, dir_.path() + "/Coverage/ann.3.tpm");
  EXPECT_EQ(paths_.index, dir_.path() + "/Coverage/ann.3.idx");
  // Date, key, then (value, total) per sub value, each word least significant byte first.
  EXPECT_EQ(database(), std::string("\x00\xf1\x53\x65"
                                    "\x04\x03\x02\x01"
                                    "\x05\x00\x00\x00\x05\x00\x00\x00"
                                    "\x00\x00\x00\x00\x00\x00\x00\x00"
                                    "\xd0\xc0\xb0\xa0\xd0\xc0\xb0\xa0",
                                    32));
  EXPECT_EQ(index(), littleEndian({0x01020304, 0}));
}

TEST_F(MeasureDatabaseTest, KeysMeasuredAgainReplaceTheirContributionToTheTotals) {
  ASSERT_TRUE(append(7, 100, {1, 2, 3}));
  // A new key: its values are added to the last record's totals, its entry goes at the end.
  ASSERT_TRUE(append(9, 101, {10, 20, 30}));
  const uint32_t size = 8 * 4;
  EXPECT_EQ(index(), littleEndian({7, 0, 9, size}));
  // Key 7 again: its old values leave the totals, the new ones come in, and its
  // entry is rewritten in place.
  ASSERT_TRUE(append(7, 102, {4, 0, 3}));
  EXPECT_EQ(index(), littleEndian({7, 2 * size, 9, size}));
  // And key 9 again, whose previous record is not the last one.
  ASSERT_TRUE(append(9, 103, {0, 25, 31}));
  EXPECT_EQ(index(), littleEndian({7, 2 * size, 9, 3 * size}));
  EXPECT_EQ(sink_.text(), "");

  const std::vector<DecodedRecord> all = records();
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(database().size(), 4 * size);
  const std::vector<std::vector<uint32_t>> values{{1, 2, 3}, {10, 20, 30}, {4, 0, 3}, {0, 25, 31}};
  const std::vector<std::vector<uint32_t>> totals{
      {1, 2, 3}, {11, 22, 33}, {14, 20, 33}, {4, 25, 34}};
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].date, 100 + i);
    EXPECT_EQ(all[i].key, i % 2 ? 9u : 7u);
    EXPECT_EQ(all[i].values, values[i]) << "record " << i;
    EXPECT_EQ(all[i].totals, totals[i]) << "record " << i;
  }
}

TEST_F(MeasureDatabaseTest, ADatabaseThatLostItsIndexGetsAnEntryAtTheRecordsRealOffset) {
  ASSERT_TRUE(append(7, 100, {1, 2, 3}));
  ASSERT_TRUE(append(9, 101, {10, 20, 30}));
  std::filesystem::remove(paths_.index);

  // The records stay; the new one goes after them and the new index points at it.
  ASSERT_TRUE(append(9, 102, {5, 5, 5}));
  EXPECT_EQ(sink_.text(), "");
  EXPECT_EQ(index(), littleEndian({9, 2 * 32}));
  const std::vector<DecodedRecord> all = records();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[2].values, (std::vector<uint32_t>{5, 5, 5}));
  EXPECT_EQ(all[2].totals, (std::vector<uint32_t>{5, 5, 5}));
  // From there on the totals follow the keys of the new index.
  ASSERT_TRUE(append(9, 103, {6, 6, 6}));
  ASSERT_TRUE(append(7, 104, {1, 1, 1}));
  EXPECT_EQ(index(), littleEndian({9, 3 * 32, 7, 4 * 32}));
  EXPECT_EQ(records().back().totals, (std::vector<uint32_t>{7, 7, 7}));
}

TEST_F(MeasureDatabaseTest, TornOrMisindexedDatabasesAreNotAppendedTo) {
  ASSERT_TRUE(append(7, 100, {1, 2, 3}));
  ASSERT_TRUE(append(9, 101, {10, 20, 30}));
  const std::string goodDatabase = database(), goodIndex = index();
  const std::string unreadable = tpmMessage("Unable to read DataBase file");

  struct Case {
    const char *what;
    std::string database, index;
  };
  const std::vector<Case> cases{
      {"torn last record", goodDatabase.substr(0, goodDatabase.size() - 5), goodIndex},
      {"bytes after the last record", goodDatabase + "xyz", goodIndex},
      {"entry past the end", goodDatabase, littleEndian({7, 0, 9, 64})},
      {"entry inside a record", goodDatabase, littleEndian({7, 0, 9, 8})},
      {"entry on a record of another key", goodDatabase, littleEndian({7, 0, 9, 0})},
  };
  for (const Case &c : cases) {
    dir_.write("Coverage/ann.3.tpm", c.database);
    dir_.write("Coverage/ann.3.idx", c.index);
    // Both for the key of the bad entry and for a new key.
    for (uint32_t key : {9u, 11u}) {
      EXPECT_FALSE(append(key, 102, {1, 1, 1})) << c.what;
      EXPECT_EQ(sink_.text(), unreadable) << c.what << ", key " << key;
      EXPECT_EQ(database(), c.database) << c.what;
      EXPECT_EQ(index(), c.index) << c.what;
      sink_.clear();
      if (c.database == goodDatabase) break; // a new key never reads a bad entry
    }
  }

  // Without an index, a torn database is not appended to either.
  std::filesystem::remove(paths_.index);
  dir_.write("Coverage/ann.3.tpm", goodDatabase.substr(0, 40));
  EXPECT_FALSE(append(7, 102, {1, 1, 1}));
  EXPECT_EQ(sink_.text(), unreadable);
  EXPECT_EQ(database(), goodDatabase.substr(0, 40));
  EXPECT_FALSE(std::filesystem::exists(paths_.index));
}

TEST_F(MeasureDatabaseTest, UnreadableIndexOrMissingDatabaseEndsTheMeasure) {
  ASSERT_TRUE(append(7, 100, {1, 2, 3}));
  const std::string goodDatabase = database();

  // An index whose last entry is cut short.
  dir_.write("Coverage/ann.3.idx", littleEndian({7, 0}) + std::string("\x09\x00\x00", 3));
  EXPECT_FALSE(append(9, 101, {1, 1, 1}));
  EXPECT_EQ(sink_.text(), tpmMessage("Unable to read index file"));
  EXPECT_EQ(database(), goodDatabase);

  // An index without its database.
  sink_.clear();
  dir_.write("Coverage/ann.3.idx", littleEndian({7, 0}));
  std::filesystem::remove(paths_.database);
  EXPECT_FALSE(append(9, 101, {1, 1, 1}));
  EXPECT_EQ(sink_.text(), tpmMessage("Unable to open DataBase file"));
  EXPECT_FALSE(std::filesystem::exists(paths_.database));
  EXPECT_EQ(index(), littleEndian({7, 0}));
}

} // namespace
