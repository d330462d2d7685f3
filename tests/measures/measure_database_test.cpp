// The record arithmetic of a pair of measure files, checked on the bytes of the
// files it writes, and what the pair survives: a crash at any moment, a full disk,
// links planted in the shared folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "measure_files.h"
#include "measures/measure_database.h"
#include "measures/measure_error_display.h"
#include "message_sink.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using Entries = std::vector<std::pair<uint32_t, uint32_t>>;

class MeasureDatabaseTest : public ::testing::Test {
protected:
  void SetUp() override {
    setMessageIdentity("Corvane Velmora", "zeltocov");
    fs::create_directories(dir_.path() + "/Coverage");
    paths_ = measurePaths(dir_.path(), "Coverage", "ann", 3);
  }

  /// One session of one measure, as a writer holding the lock makes it.
  bool append(uint32_t key, uint32_t date, const std::vector<uint32_t> &values) {
    MeasureErrorDisplay display(sink_.stream());
    MeasureDatabase database(paths_, 3, display);
    if (!database.open()) return false;
    const bool appended = database.append(key, date, values);
    return database.close() && appended;
  }
  std::string database() const { return readFile(paths_.database); }
  std::string index() const { return readFile(paths_.index); }
  std::vector<DecodedRecord> records() const { return recordsOf(database(), 3); }
  /// The messages so far, forgotten.
  std::string shown() {
    const std::string text = sink_.text();
    sink_.clear();
    return text;
  }
  std::string cutMessage(int bytes) const {
    return tpmMessage("Repaired " + paths_.database + ": " + std::to_string(bytes) +
                      " bytes after its last complete record were cut off");
  }
  std::string rebuiltMessage() const {
    return tpmMessage("Repaired " + paths_.index + ": rebuilt from the records of " +
                      paths_.database);
  }

  TempDir dir_;
  MeasurePaths paths_;
  MessageSink sink_;
};

/// The records of a database of 3 sub values in which every total is right.
std::string goodRecords() {
  return littleEndian({100, 7, 1, 1, 2, 2, 3, 3}) + littleEndian({101, 9, 10, 11, 20, 22, 30, 33}) +
         littleEndian({102, 7, 4, 14, 0, 20, 3, 33});
}

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

TEST_F(MeasureDatabaseTest, MeasuresOfOneSessionShareTheOpenFiles) {
  MeasureErrorDisplay display(sink_.stream());
  MeasureDatabase session(paths_, 3, display);
  ASSERT_TRUE(session.open());
  for (uint32_t round = 0; round < 3; ++round)
    for (uint32_t key = 1; key <= 4; ++key)
      ASSERT_TRUE(session.append(key, 100 + round, {key, round, 1}));
  ASSERT_TRUE(session.close());
  EXPECT_EQ(sink_.text(), "");
  EXPECT_EQ(index(), littleEndian({1, 8 * 32, 2, 9 * 32, 3, 10 * 32, 4, 11 * 32}));
  EXPECT_EQ(records().back().totals, (std::vector<uint32_t>{10, 8, 4}));
}

TEST_F(MeasureDatabaseTest, WhatACrashLeavesIsRepairedAndTheTotalsStayRight) {
  const std::string good = goodRecords();
  const std::string goodIndex = littleEndian({7, 64, 9, 32});
  // The next measure of key 9 and of a new key 11, on the good database.
  const std::vector<uint32_t> next9{9, 22, 33}, next11{4, 14, 13};
  struct Case {
    const char *what;
    std::string database, index;
    bool cut, rebuilt;
  };
  const std::vector<Case> cases{
      // A crash or a full disk in the middle of a record.
      {"torn last record", good + littleEndian({103, 9, 5}).substr(0, 11), goodIndex, true, false},
      // A crash after the record, before its index entry: for a key measured
      // before, and for a new key.
      {"last record not indexed yet",
       good.substr(0, 64) + littleEndian({102, 7, 4, 14, 0, 20, 3, 33}),
       littleEndian({7, 0, 9, 32}), false, true},
      {"index lost", good, "", false, true},
      {"entry cut short", good, goodIndex + littleEndian({11}).substr(0, 3), false, true},
      {"entry past the records", good, littleEndian({7, 64, 9, 96}), false, true},
      {"entry inside a record", good, littleEndian({7, 64, 9, 40}), false, true},
      {"entry on another key's record", good, littleEndian({7, 64, 9, 0}), false, true},
      {"key indexed twice", good, littleEndian({7, 64, 9, 32, 7, 64}), false, true},
      {"both at once", good + "xyz", littleEndian({7, 64, 9, 200}), true, true},
  };
  for (const Case &c : cases) {
    for (const auto &[key, values] :
         std::vector<std::pair<uint32_t, std::vector<uint32_t>>>{{9, next9}, {11, next11}}) {
      dir_.write("Coverage/ann.3.tpm", c.database);
      dir_.write("Coverage/ann.3.idx", c.index);
      ASSERT_TRUE(append(key, 103, values)) << c.what << ": " << sink_.text();
      const std::string expected =
          (c.cut ? cutMessage(static_cast<int>(c.database.size() % 32)) : "") +
          (c.rebuilt ? rebuiltMessage() : "");
      EXPECT_EQ(shown(), expected) << c.what << ", key " << key;
      // The complete records stay, the new one follows them with the totals of
      // the good database, and every key's entry is on its latest record.
      const std::vector<DecodedRecord> all = records();
      const std::size_t kept = c.database.size() / 32;
      ASSERT_EQ(all.size(), kept + 1) << c.what;
      EXPECT_EQ(database().size(), 32 * (kept + 1)) << c.what;
      EXPECT_EQ(database().substr(0, 32 * kept), c.database.substr(0, 32 * kept)) << c.what;
      EXPECT_EQ(all.back().values, values) << c.what;
      EXPECT_EQ(all.back().totals, key == 9 ? (std::vector<uint32_t>{13, 22, 36})
                                            : (std::vector<uint32_t>{18, 34, 46}))
          << c.what;
      Entries expectedIndex{{7, 64}, {9, 32}};
      if (key == 9)
        expectedIndex[1].second = 96;
      else
        expectedIndex.emplace_back(11, 96);
      Entries entries = indexOf(index());
      std::sort(entries.begin(), entries.end());
      EXPECT_EQ(entries, expectedIndex) << c.what << ", key " << key;
      EXPECT_EQ(index().size(), 8 * expectedIndex.size()) << c.what;
      EXPECT_FALSE(fs::exists(paths_.index + ".new"));
      // The next measure finds nothing to repair.
      ASSERT_TRUE(append(7, 104, {4, 0, 3}));
      EXPECT_EQ(shown(), "") << c.what;
    }
  }

  // A crash after the first record of a new key, before its index entry.
  dir_.write("Coverage/ann.3.tpm", good.substr(0, 64));
  dir_.write("Coverage/ann.3.idx", littleEndian({7, 0}));
  ASSERT_TRUE(append(11, 103, next11));
  EXPECT_EQ(shown(), rebuiltMessage());
  EXPECT_EQ(records().back().totals, (std::vector<uint32_t>{15, 36, 46}));
  Entries entries = indexOf(index());
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (Entries{{7, 0}, {9, 32}, {11, 64}}));
}

TEST_F(MeasureDatabaseTest, BytesChangedInsideCompleteRecordsAreRefused) {
  // A total that does not follow from the records before it: no crash writes
  // that. It is found when the index must be rebuilt.
  std::string changed = goodRecords();
  changed[32 + 12] = '\x07';
  for (const std::string &badIndex : {littleEndian({7, 64, 9, 0}), std::string()}) {
    dir_.write("Coverage/ann.3.tpm", changed);
    dir_.write("Coverage/ann.3.idx", badIndex);
    EXPECT_FALSE(append(9, 103, {1, 1, 1}));
    EXPECT_EQ(shown(), tpmMessage("Unable to read DataBase file"));
    EXPECT_EQ(database(), changed);
    EXPECT_EQ(index(), badIndex);
    EXPECT_FALSE(fs::exists(paths_.index + ".new"));
  }
}

TEST_F(MeasureDatabaseTest, LinksAndFilesOfOthersAreRefusedAndNothingIsWrittenThroughThem) {
  const std::string elsewhere = dir_.path() + "/elsewhere";
  fs::create_directories(elsewhere);
  const std::string existing = dir_.write("elsewhere/existing", "keep");
  struct Case {
    const char *what;
    std::string tpm, idx; // "link:T" a symbolic link to T, "hard:T" a hard link
    std::string refused;
  };
  const std::vector<Case> cases{
      {"links to files to be created", "link:" + elsewhere + "/new.tpm",
       "link:" + elsewhere + "/new.idx", paths_.database},
      {"link to an existing file", "", "link:" + existing, paths_.index},
      {"hard link to an existing file", "hard:" + existing, "", paths_.database},
      {"a folder", "dir", "", paths_.database},
  };
  for (const Case &c : cases) {
    fs::remove_all(paths_.database);
    fs::remove_all(paths_.index);
    for (const auto &[path, plan] :
         {std::pair{paths_.database, c.tpm}, std::pair{paths_.index, c.idx}}) {
      if (plan.rfind("link:", 0) == 0) fs::create_symlink(plan.substr(5), path);
      if (plan.rfind("hard:", 0) == 0) fs::create_hard_link(plan.substr(5), path);
      if (plan == "dir") fs::create_directory(path);
    }
    EXPECT_FALSE(append(7, 100, {1, 2, 3})) << c.what;
    const std::string reason = c.tpm == "dir" ? " is not a regular file" : " is a link";
    EXPECT_EQ(shown(), tpmMessage(c.refused + reason + ": refused, the measure is not written"))
        << c.what;
    EXPECT_EQ(readFile(existing), "keep") << c.what;
    EXPECT_FALSE(fs::exists(elsewhere + "/new.tpm")) << c.what;
    EXPECT_FALSE(fs::exists(elsewhere + "/new.idx")) << c.what;
  }
  // Nothing was created beside the planted names either.
  fs::remove_all(paths_.database);
  fs::remove(paths_.index);
  EXPECT_TRUE(fs::is_empty(dir_.path() + "/Coverage"));
}

TEST_F(MeasureDatabaseTest, FilesOfAnotherUserAreRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "only the super-user can give a file to another user";
  ASSERT_TRUE(append(7, 100, {1, 2, 3}));
  const std::string before = database();
  ASSERT_EQ(chown(paths_.index.c_str(), 65534, 65534), 0);
  EXPECT_FALSE(append(7, 101, {1, 1, 1}));
  EXPECT_EQ(shown(), tpmMessage(paths_.index +
                                " is not owned by the user of this run: refused, the measure is "
                                "not written"));
  EXPECT_EQ(database(), before);
}

} // namespace
