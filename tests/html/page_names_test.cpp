// The names of the pages of source files, folders and tests: unique by position, made of
// safe bytes only, bounded in length, and listed with the index for the output
// guard.
#include "fdc_test_helpers.h"

#include "html/page_names.h"
#include "support/name_table.h"

namespace {

class PageNamesTest : public FdcTest {
protected:
  const SourceFile &loadSource(const std::string &fdc, const std::string &name, int key,
                               const std::string &folder = "/src") {
    load(fdc, "VE 3.0e T\nFC \"" + name + "\" \"" + folder +
                  "\"\nFD 0\nTC PR\nPR 0 proc \"f\" 1 1\nDC " + std::to_string(key) + " " +
                  std::to_string(key) + "\n");
    return *model.files().back();
  }
};

TEST_F(PageNamesTest, SameNamesGetPagesOfTheirOwnAndUnsafeBytesAreReplaced) {
  const SourceFile &first = loadSource("a.fdc", "a.c", 1);
  const SourceFile &second = loadSource("b.fdc", "a.c", 2);
  const SourceFile &hostile = loadSource("c.fdc", "../x <&>\xC3\xA9.c", 3);
  EXPECT_EQ(filePageName(first), "1-a.c.html");
  EXPECT_EQ(filePageName(second), "2-a.c.html");
  // No separator, no markup and no byte outside ASCII: the name stays in the
  // directory and needs no escaping in a link.
  EXPECT_EQ(filePageName(hostile), "3-.._x______.c.html");
  // A test's page never is a file's, even that of a source named like it.
  const SourceFile &named = loadSource("d.fdc", "test-1.html", 4);
  EXPECT_EQ(testPageName(0), "test-1.html");
  EXPECT_EQ(testPageName(9999), "test-10000.html");
  EXPECT_EQ(filePageName(named), "4-test-1.html.html");
}

TEST_F(PageNamesTest, LongNamesAreCutAndEveryPageIsListed) {
  const SourceFile &file = loadSource("a.fdc", std::string(300, 'n') + ".c", 1);
  EXPECT_EQ(filePageName(file), "1-" + std::string(80, 'n') + ".html");
  EXPECT_EQ(htmlPagePaths(model, "site"),
            (std::vector<std::string>{"site/index.html", "site/tests.html",
                                      "site/1-" + std::string(80, 'n') + ".html"}));
}

TEST_F(PageNamesTest, FilesOfSeveralFoldersGiveAPagePerFolder) {
  loadSource("a.fdc", "a.c", 1, "/p/lib/");
  loadSource("b.fdc", "b.c", 2, "/p/app");
  loadSource("c.fdc", "c.c", 3, "/p/lib/");
  loadSource("d.fdc", "d.c", 4, "C:\\w <x>");
  const std::vector<const NameEntry *> folders = sourceFolders(model);
  ASSERT_EQ(folders.size(), 3u);
  EXPECT_STREQ(folders[0]->text, "/p/lib/");
  EXPECT_STREQ(folders[1]->text, "/p/app");
  EXPECT_EQ(folderPageName(0, folders[0]), "dir-1-lib.html");
  EXPECT_EQ(folderPageName(1, folders[1]), "dir-2-app.html");
  EXPECT_EQ(folderPageName(2, folders[2]), "dir-3-w__x_.html");
  EXPECT_EQ(htmlPagePaths(model, "s"),
            (std::vector<std::string>{
                "s/index.html", "s/tests.html", "s/1-a.c.html", "s/2-b.c.html", "s/3-c.c.html",
                "s/4-d.c.html", "s/dir-1-lib.html", "s/dir-2-app.html", "s/dir-3-w__x_.html"}));
}

} // namespace
