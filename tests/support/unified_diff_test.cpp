#include "support/unified_diff.h"

#include <gtest/gtest.h>

namespace {

UnifiedDiff parsed(std::string_view text) {
  UnifiedDiff diff;
  DiffError error;
  EXPECT_TRUE(parseUnifiedDiff(text, diff, error)) << error.line << ": " << error.text;
  return diff;
}

/// The line that a diff fails at, and its text.
DiffError failure(std::string_view text) {
  UnifiedDiff diff;
  DiffError error;
  EXPECT_FALSE(parseUnifiedDiff(text, diff, error));
  EXPECT_TRUE(diff.files.empty());
  return error;
}

TEST(UnifiedDiffTest, GitDiffGivesTheNewLinesOfEachFileInOrder) {
  const UnifiedDiff diff = parsed("diff --git a/src/calc.c b/src/calc.c\n"
                                  "index 3b18e51..a9c2f04 100644\n"
                                  "--- a/src/calc.c\n"
                                  "+++ b/src/calc.c\n"
                                  "@@ -10,7 +10,8 @@ int add(int a, int b)\n"
                                  " context 10\n"
                                  " context 11\n"
                                  "-removed old 12\n"
                                  "+changed 12\n"
                                  "+added 13\n"
                                  " context 14\n"
                                  "-removed old 14\n"
                                  " context 15\n"
                                  " context 16\n"
                                  "+added 17\n"
                                  "@@ -40 +41 @@\n"
                                  "-x\n"
                                  "+y\n"
                                  "\\ No newline at end of file\n"
                                  "diff --git a/new.c b/new.c\n"
                                  "new file mode 100644\n"
                                  "index 0000000..e69de29\n"
                                  "--- /dev/null\n"
                                  "+++ b/new.c\n"
                                  "@@ -0,0 +1,2 @@\n"
                                  "+one\n"
                                  "+two\n"
                                  "diff --git a/gone.c b/gone.c\n"
                                  "deleted file mode 100644\n"
                                  "--- a/gone.c\n"
                                  "+++ /dev/null\n"
                                  "@@ -1,2 +0,0 @@\n"
                                  "-one\n"
                                  "-two\n"
                                  "diff --git a/pure.c b/pure.c\n"
                                  "--- a/pure.c\n"
                                  "+++ b/pure.c\n"
                                  "@@ -3,3 +3,2 @@\n"
                                  " a\n"
                                  "-b\n"
                                  " c\n");
  ASSERT_EQ(diff.files.size(), 3u);
  EXPECT_EQ(diff.files[0].path, "src/calc.c");
  EXPECT_EQ(diff.files[0].givenPath, "b/src/calc.c");
  EXPECT_FALSE(diff.files[0].added);
  EXPECT_EQ(diff.files[0].lines, (std::vector<uint32_t>{12, 13, 17, 41}));
  EXPECT_EQ(diff.files[1].path, "new.c");
  EXPECT_TRUE(diff.files[1].added);
  EXPECT_EQ(diff.files[1].lines, (std::vector<uint32_t>{1, 2}));
  // A pure deletion changes no line of the new file; a deleted file is left out.
  EXPECT_EQ(diff.files[2].path, "pure.c");
  EXPECT_TRUE(diff.files[2].lines.empty());
}

TEST(UnifiedDiffTest, PathsWithoutPrefixesQuotedOrTimedAndCrlf) {
  // git diff --no-prefix, any context size (-U0 here).
  UnifiedDiff diff = parsed("diff --git src/a.c src/a.c\n"
                            "--- src/a.c\n"
                            "+++ src/a.c\n"
                            "@@ -5,0 +6 @@\n"
                            "+x\n"
                            "@@ -9,2 +10,0 @@\n"
                            "-y\n"
                            "-z\n");
  ASSERT_EQ(diff.files.size(), 1u);
  EXPECT_EQ(diff.files[0].path, "src/a.c");
  EXPECT_EQ(diff.files[0].lines, (std::vector<uint32_t>{6}));
  // A folder named b in a diff without prefixes keeps its name.
  diff = parsed("--- b/x.c\n+++ b/x.c\n@@ -1 +1 @@\n-a\n+b\n");
  EXPECT_EQ(diff.files[0].path, "b/x.c");
  // Quoted paths with escapes; diff -u's time after a tab; CRLF line ends.
  diff = parsed("diff --git \"a/t\\303\\251st \\\"q\\\".c\" \"b/t\\303\\251st \\\"q\\\".c\"\r\n"
                "--- \"a/t\\303\\251st \\\"q\\\".c\"\r\n"
                "+++ \"b/t\\303\\251st \\\"q\\\".c\"\r\n"
                "@@ -1,2 +1,2 @@\r\n"
                "-a\r\n"
                "+b\r\n"
                "\r\n"
                "--- old/m.c\t2024-01-02 10:00:00.000000000 +0100\n"
                "+++ new/m.c\t2024-01-02 10:01:00.000000000 +0100\n"
                "@@ -1 +1,2 @@\n"
                " a\n"
                "+b\n");
  ASSERT_EQ(diff.files.size(), 2u);
  EXPECT_EQ(diff.files[0].path, "t\xc3\xa9st \"q\".c");
  // The empty line is a context line of an editor that trims them.
  EXPECT_EQ(diff.files[0].lines, (std::vector<uint32_t>{1}));
  EXPECT_EQ(diff.files[1].path, "new/m.c");
  EXPECT_EQ(diff.files[1].lines, (std::vector<uint32_t>{2}));

  std::string path;
  EXPECT_FALSE(diffHeaderPath("\"a/unterminated", path));
  EXPECT_TRUE(diffHeaderPath("\"tab\\there\\\\\"", path));
  EXPECT_EQ(path, "tab\there\\");
}

TEST(UnifiedDiffTest, EmptyDiffsMailsAndBinaryPatchesChangeNothingElse) {
  EXPECT_TRUE(parsed("").files.empty());
  EXPECT_TRUE(parsed("\n\n").files.empty());
  // A mail's text and signature around the patch; a binary file without hunks.
  const UnifiedDiff diff = parsed("From 1234 Mon Sep 17 00:00:00 2001\n"
                                  "Subject: [PATCH] Add + fix\n"
                                  "\n"
                                  "- a list item of the message\n"
                                  "---\n"
                                  " c.c | 1 +\n"
                                  "\n"
                                  "diff --git a/logo.png b/logo.png\n"
                                  "Binary files a/logo.png and b/logo.png differ\n"
                                  "diff --git a/c.c b/c.c\n"
                                  "--- a/c.c\n"
                                  "+++ b/c.c\n"
                                  "@@ -1 +1 @@\n"
                                  "-a\n"
                                  "+b\n"
                                  "-- \n"
                                  "2.39.2\n");
  ASSERT_EQ(diff.files.size(), 1u);
  EXPECT_EQ(diff.files[0].lines, (std::vector<uint32_t>{1}));
}

TEST(UnifiedDiffTest, EachFaultNamesItsLine) {
  const std::string head = "diff --git a/c.c b/c.c\n--- a/c.c\n+++ b/c.c\n";
  // A hunk with fewer lines than its header counts: the line that breaks it.
  DiffError error = failure(head + "@@ -1,2 +1,2 @@\n a\n+b\ndiff --git a/d b/d\n");
  EXPECT_EQ(error.line, 7u);
  EXPECT_EQ(error.text, "diff --git a/d b/d");
  // ... or the text ends inside it: its header.
  error = failure(head + "@@ -1,3 +1,3 @@\n a\n");
  EXPECT_EQ(error.line, 4u);
  EXPECT_EQ(error.text, "@@ -1,3 +1,3 @@");
  // More lines than counted.
  error = failure(head + "@@ -1 +1 @@\n-a\n+b\n+c\n");
  EXPECT_EQ(error.line, 7u);
  // A header that does not parse, a combined diff, a hunk outside a file.
  EXPECT_EQ(failure(head + "@@ -1,x +1 @@\n").line, 4u);
  EXPECT_EQ(failure(head + "@@@ -1 -1 +1 @@@\n").line, 4u);
  EXPECT_EQ(failure("diff --git a/c b/c\n@@ -1 +1 @@\n-a\n+b\n").line, 2u);
  // Half a file header.
  EXPECT_EQ(failure("--- a/c.c\n@@ -1 +1 @@\n").line, 2u);
  EXPECT_EQ(failure("+++ b/c.c\n").line, 1u);
  EXPECT_EQ(failure("--- a/c.c\n").line, 1u);
  EXPECT_EQ(failure("--- a/c.c\n+++ \"b/c.c\n").line, 2u);
  // Text that is no diff at all: its first line with text.
  error = failure("\nhello\nworld\n");
  EXPECT_EQ(error.line, 2u);
  EXPECT_EQ(error.text, "hello");
}

} // namespace
