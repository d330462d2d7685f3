// File keys, checksum folding and path helpers.
#include "support/file_identity.h"
#include "support/messages.h"
#include "support/name_table.h"
#include "support/paths.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <utime.h>

using testing::ExitedWithCode;

TEST(FileIdentityTest, FileKeyXorsSignedGroupsIncludingTheTerminator) {
  EXPECT_EQ(FileKey(""), 0x4A4A4A4Au);
  EXPECT_EQ(FileKey("abc"), 0x4A4A4A4Au ^ 0x61626300u);
  // Four letters: a second group of zeros.
  EXPECT_EQ(FileKey("abcd"), 0x4A4A4A4Au ^ 0x61626364u);
  EXPECT_EQ(FileKey("abcde"), 0x4A4A4A4Au ^ 0x61626364u ^ 0x65000000u);
  // Signed bytes: -128 * 2^24 + -128 * 2^16 in two's complement.
  EXPECT_EQ(FileKey("\x80\x80"), 0x4A4A4A4Au ^ 0x7F800000u);
  EXPECT_EQ(FileKey(std::string("src/a.c")), FileKey("src/a.c"));
}

TEST(FileIdentityTest, FileKeyHandlesLongTexts) {
  // 10000 identical groups cancel out; the last byte stands in a group of its own.
  EXPECT_EQ(FileKey(std::string(40000, 'a')), 0x4A4A4A4Au);
  EXPECT_EQ(FileKey(std::string(40001, 'a')), 0x4A4A4A4Au ^ 0x61000000u);
}

TEST(FileIdentityTest, FoldChecksumXorsUnsignedGroups) {
  uint32_t checksum = 0x12345678u;
  FoldChecksum(checksum, "");
  EXPECT_EQ(checksum, 0x12345678u);
  checksum = 0;
  FoldChecksum(checksum, "abc");
  EXPECT_EQ(checksum, 0x61626300u);
  checksum = 0;
  FoldChecksum(checksum, "abcde");
  EXPECT_EQ(checksum, 0x61626364u ^ 0x65000000u);
  checksum = 0;
  FoldChecksum(checksum, "a\xff");
  EXPECT_EQ(checksum, 0x61FF0000u);
}

TEST(FileIdentityDeathTest, NullTextHasNoKey) {
  EXPECT_EXIT(FileKey(static_cast<const char *>(nullptr)), ExitedWithCode(kExitInternal),
              "INTERNAL ERROR: Cannot eval file key\n\n$");
}

TEST(PathsTest, JoinPathInsertsOneSlash) {
  EXPECT_EQ(JoinPath("src", "a.c"), "src/a.c");
  EXPECT_EQ(JoinPath("src/", "a.c"), "src/a.c");
  EXPECT_EQ(JoinPath("src\\", "a.c"), "src\\a.c");
  EXPECT_EQ(JoinPath("", "a.c"), "/a.c");
}

TEST(PathsTest, SourcePathJoinsTheDirectoryAndTheNameOfAnFdcFile) {
  char directory[] = "src", slashed[] = "src/", empty[] = "", name[] = "a.c";
  NameEntry dir{directory, 3, nullptr, 0}, dirSlash{slashed, 4, nullptr, 0},
      noDir{empty, 0, nullptr, 0}, file{name, 3, nullptr, 0};
  EXPECT_EQ(SourcePath(&dir, &file), "src/a.c");
  EXPECT_EQ(SourcePath(&dirSlash, &file), "src/a.c");
  // No directory, given empty or not given at all: a slash before the name.
  EXPECT_EQ(SourcePath(&noDir, &file), "/a.c");
  EXPECT_EQ(SourcePath(nullptr, &file), "/a.c");
  EXPECT_EQ(SourcePath(&dir, nullptr), "src/");
}

TEST(PathsTest, BaseNameStopsAtAnySeparator) {
  EXPECT_STREQ(BaseName("C:foo.c"), "foo.c");
  EXPECT_STREQ(BaseName("a/b\\c.c"), "c.c");
  EXPECT_STREQ(BaseName("dir\\sub/"), "");
  EXPECT_STREQ(BaseName("plain.c"), "plain.c");
}

TEST(PathsTest, AppendExtensionKeepsAnExistingOne) {
  EXPECT_EQ(AppendExtension("a.c", ".lsc"), "a.c.lsc");
  EXPECT_EXIT(AppendExtension("", ".lsc"), ExitedWithCode(kExitInternal),
              "INTERNAL ERROR: Source file name empty while changing extension\n\n$");
  EXPECT_EXIT(AppendExtension("a.c", ""), ExitedWithCode(kExitInternal),
              "INTERNAL ERROR: Extension empty while changing it to a file\n\n$");
  EXPECT_EXIT(AppendExtension("a.c", "lsc"), ExitedWithCode(kExitInternal),
              "INTERNAL ERROR: Extension not beginning with period while changing it to a file\n");
}

TEST(PathsTest, ExistenceAndModificationTime) {
  TempDir dir;
  const std::string path = dir.write("a.c", "int a;\n");
  utimbuf times{1434067020, 1434067020};
  ASSERT_EQ(utime(path.c_str(), &times), 0);
  EXPECT_TRUE(FileExists(path.c_str()));
  EXPECT_TRUE(FileExists(dir.path().c_str()));
  EXPECT_EQ(FileTime(path.c_str()), 1434067020u);
  const std::string missing = dir.path() + "/missing.c";
  EXPECT_FALSE(FileExists(missing.c_str()));
  EXPECT_EQ(FileTime(missing.c_str()), 0u);
  EXPECT_EQ(errno, 0);
}
