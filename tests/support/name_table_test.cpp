// Interning, bucket order and occurrence counting.
#include "support/name_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

/// A caller-owned table, freed at the end of each test.
class NameTableTest : public testing::Test {
protected:
  void SetUp() override { initNameTable(&table_); }
  void TearDown() override { freeNameTable(table_); }

  int entryCount() const {
    int count = 0;
    for (const NameEntry *head : table_->heads)
      for (const NameEntry *entry = head; entry; entry = entry->next)
        ++count;
    return count;
  }

  NameTable *table_ = nullptr;
};

} // namespace

TEST_F(NameTableTest, HashIsTheDocumentedXorModulo250) {
  EXPECT_EQ(hashName("a").bucket, 135u);
  EXPECT_EQ(hashName("abc").bucket, 243u);
  EXPECT_EQ(hashName("abcd").bucket, 195u);
  EXPECT_EQ(hashName("abcd").length, 4u);
  EXPECT_EQ(hashName("").bucket, 0x4A4A4A4Au % 250);
}

TEST_F(NameTableTest, NullAndEmptyTextsGiveNoEntry) {
  EXPECT_EQ(internName(nullptr, table_), nullptr);
  EXPECT_EQ(internName("", table_), nullptr);
  EXPECT_EQ(entryCount(), 0);
}

TEST_F(NameTableTest, SameTextGivesTheSameEntryAndCaseMatters) {
  NameEntry *first = internName("abc", table_);
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first->text, "abc");
  EXPECT_EQ(first->length, 3u);
  EXPECT_EQ(first->flags, 0u);
  first->flags = InFileList;
  std::string copy = "abc";
  EXPECT_EQ(internName(copy.c_str(), table_), first);
  EXPECT_EQ(first->flags, static_cast<uint32_t>(InFileList));
  NameEntry *upper = internName("ABC", table_);
  EXPECT_NE(upper, first);
  EXPECT_EQ(entryCount(), 2);
  const NameLookup lookup = findName("abc", table_);
  EXPECT_TRUE(lookup.found);
  EXPECT_EQ(lookup.entry, first);
  EXPECT_FALSE(findName("abd", table_).found);
}

TEST_F(NameTableTest, BucketIsOrderedByLengthThenInsertion) {
  // Gather texts of lengths 2 and 3 that share the bucket of "x0".
  std::vector<std::string> shorter, longer;
  const uint32_t bucket = hashName("x0").bucket;
  for (char a = '!'; a <= '~'; ++a) {
    for (char b = '!'; b <= '~'; ++b) {
      for (std::string text : {std::string{a, b}, std::string{a, b, 'q'}}) {
        std::vector<std::string> &group = text.size() == 2 ? shorter : longer;
        if (text != "x0" && group.size() < 2 && hashName(text.c_str()).bucket == bucket)
          group.push_back(text);
      }
    }
  }
  ASSERT_EQ(shorter.size(), 2u);
  ASSERT_EQ(longer.size(), 2u);

  // Insert longest first and equal lengths in a known order, also at the head.
  for (const std::string *text : {&longer[1], &longer[0], &shorter[0], &shorter[1]})
    internName(text->c_str(), table_);
  internName("x0", table_);

  std::vector<std::string> order;
  for (const NameEntry *entry = table_->heads[bucket]; entry; entry = entry->next)
    order.push_back(entry->text);
  EXPECT_EQ(order, (std::vector<std::string>{shorter[0], shorter[1], "x0", longer[1], longer[0]}));
}

TEST(DefaultNameTableTest, NullTableMeansTheDefaultOne) {
  initNameTable();
  NameEntry *entry = internName("main.c");
  EXPECT_EQ(internName("main.c", nullptr), entry);
  EXPECT_TRUE(findName("main.c").found);
  freeNameTable();
  EXPECT_FALSE(findName("main.c").found);
  initNameTable();
}

TEST(OccurrenceListTest, CountsByIdentityInOrderOfFirstSight) {
  OccurrenceList list;
  int a = 0, b = 0;
  EXPECT_FALSE(hasOccurrence(list, &a));
  EXPECT_EQ(countOccurrence(list, &a), 1u);
  EXPECT_EQ(countOccurrence(list, &b), 1u);
  EXPECT_EQ(countOccurrence(list, &a), 2u);
  EXPECT_EQ(countOccurrence(list, &a), 3u);
  EXPECT_TRUE(hasOccurrence(list, &b));
  ASSERT_NE(list.first, nullptr);
  EXPECT_EQ(list.first->key, &a);
  ASSERT_NE(list.first->next, nullptr);
  EXPECT_EQ(list.first->next->key, &b);
  freeOccurrenceList(list);
  EXPECT_EQ(list.first, nullptr);
  EXPECT_FALSE(hasOccurrence(list, &a));
}
