// The writing of one listing: numbering and markers, long lines and long sources,
// annotations past the end, the header; and the listings of a run, which never
// replace a source and append to a listing met again under another spelling.
#include "fdc_test_helpers.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "cli/report_options.h"
#include "listing/listing_writer.h"
#include "listing/write_listings.h"
#include "support/run_clock.h"

namespace {

/// The listing written from `source` with `annotations`.
std::string listingOf(const std::string &source, const std::vector<ListingAnnotation> &annotations,
                      bool afterOpenLine = false) {
  TempDir dir;
  const std::string sourcePath = dir.write("s.c", source);
  std::FILE *in = std::fopen(sourcePath.c_str(), "r");
  const std::string listingPath = dir.path() + "/s.c.lsc";
  std::FILE *out = std::fopen(listingPath.c_str(), "w");
  EXPECT_TRUE(in && out);
  if (!in || !out) return "";
  ListingWriter writer(in, out, "s.c", afterOpenLine);
  writer.writeAnnotations(annotations);
  writer.copyRest();
  std::fclose(out);
  std::fclose(in);
  return readFile(listingPath);
}

ListingAnnotation unhit(uint32_t line, const char *label) {
  ListingAnnotation annotation;
  annotation.line = line;
  annotation.kind = ItemSimpleBlock;
  annotation.text = label;
  return annotation;
}

ListingAnnotation hit(uint32_t line, const char *label) {
  ListingAnnotation annotation = unhit(line, label);
  annotation.hit = true;
  return annotation;
}

class ListingWriterTest : public ::testing::Test {
protected:
  void SetUp() override { setMessageIdentity("Velmora", "zeltocov"); }
};

TEST_F(ListingWriterTest, MarksEachLineByTheItemsMissed) {
  const std::string listing =
      listingOf("a\nb\nc\nd\n", {hit(1, "x"), unhit(2, "y"), hit(2, "z"), unhit(3, "w")});
  EXPECT_EQ(listing, "    1    |a\n"
                     "    2 -->|b\n"
                     "***** Simple block y *****\n"
                     "    3 ==>|c\n"
                     "***** Simple block w *****\n"
                     "    4    |d\n");
}

TEST_F(ListingWriterTest, SixDigitLineNumbersWidenTheField) {
  std::string source;
  for (int i = 1; i <= 100001; ++i)
    source += "l" + std::to_string(i) + "\n";
  const std::string listing = listingOf(source, {unhit(99999, "a"), unhit(100000, "b")});
  EXPECT_NE(listing.find("    1    |l1\n"), std::string::npos);
  EXPECT_NE(listing.find("99998    |l99998\n99999 ==>|l99999\n***** Simple block a *****\n"
                         "100000 ==>|l100000\n***** Simple block b *****\n100001    |l100001\n"),
            std::string::npos);
  EXPECT_EQ(listing.size() - listing.rfind("100001    |"),
            std::string("100001    |l100001\n").size());
}

TEST_F(ListingWriterTest, LinesLongerThanAReadBlockAreCopiedWhole) {
  const std::string longLine(300 * 1024 + 7, 'q');
  const std::string listing = listingOf("x\n" + longLine + "\ny", {unhit(2, "b")});
  EXPECT_EQ(listing, "    1    |x\n    2 ==>|" + longLine + "\n***** Simple block b *****\n" +
                         "    3    |y");
}

TEST_F(ListingWriterTest, AnnotationsPastTheEndAreFramedAndWarnedOnce) {
  testing::internal::CaptureStderr();
  const std::string listing =
      listingOf("a\nb", {unhit(1, "first"), hit(3, "gone"), unhit(4, "lost"), unhit(9, "far")});
  const std::string messages = testing::internal::GetCapturedStderr();
  // A line the source does not have (3, just after its end) is past the end as
  // well; the open last line is ended before the annotation lines.
  EXPECT_EQ(listing, "    1 ==>|a\n"
                     "***** Simple block first *****\n"
                     "    2    |b\n"
                     "+++++ Simple block lost +++++\n"
                     "+++++ Simple block far +++++\n");
  EXPECT_EQ(messages, warningFrame("Some unexecuted branches do not come from file s.c, they are "
                                   "copied at the end of listing file."));
}

TEST_F(ListingWriterTest, NoWarningWhenEverythingPastTheEndWasHit) {
  testing::internal::CaptureStderr();
  const std::string listing = listingOf("a\n", {hit(5, "gone")});
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(listing, "    1    |a\n");
}

TEST_F(ListingWriterTest, AnEmptySourceGivesAnEmptyBody) {
  EXPECT_EQ(listingOf("", {}), "");
}

TEST_F(ListingWriterTest, HeaderStartsOnANewLineAfterAnOpenLine) {
  TempDir dir;
  const std::string sourcePath = dir.write("s.c", "z");
  const std::string listingPath = dir.path() + "/s.c.lsc";
  SourceFile file;
  initNameTable();
  file.sourceName = internName("s.c");
  file.sourceDir = internName("src");
  file.extraText = internName("third text");
  file.sourceTime = 86400;
  std::FILE *in = std::fopen(sourcePath.c_str(), "r");
  std::FILE *out = std::fopen(listingPath.c_str(), "w");
  ASSERT_TRUE(in && out);
  std::fputs("previous", out);
  {
    ListingWriter writer(in, out, "s.c", /*afterOpenLine=*/true);
    writer.writeHeader(file, 2 * 86400);
    writer.copyRest();
    EXPECT_TRUE(writer.endsInsideLine());
  }
  std::fclose(out);
  std::fclose(in);
  // Dates in the local time of the test's environment.
  const std::string expected =
      "previous\n"
      "--------------------------------------------------------------------------------\n"
      "\n\tCorvane(R) Velmora Coverage - Listing\n"
      "\tTool version:             8.0.1.1.163.015\n"
      "\n\tFile: s.c (src)\n"
      "\n\tSource time:        " +
      dateText(86400) + "\n\tListing time:       " + dateText(2 * 86400) +
      "\n\t(third text)\n"
      "\n--------------------------------------------------------------------------------\n"
      "(Following annotated lines were not hit ==>, or partially hit -->)\n"
      "    1    |z";
  EXPECT_EQ(readFile(listingPath), expected);
  freeNameTable();
}

/// Runs of writeListings over sections loaded from FDC text.
class WriteListingsTest : public FdcTest {
protected:
  /// A section of one service with an entry on line 1, for the source `name` in `dir`.
  void loadSection(const std::string &fdc, const std::string &name, const std::string &directory,
                   int key) {
    load(fdc, "VE 3.0e T\nFC \"" + name + "\" \"" + directory +
                  "\"\nFD 0\nTC PR\nPR 0 proc \"f\" 1 1\nDC " + std::to_string(key) + " " +
                  std::to_string(key) + "\n");
  }
  ReportOptions options;
};

TEST_F(WriteListingsTest, AListingPathThatIsALinkToTheSourceIsNotWritten) {
  const std::string source = dir.write("src/a.c", "int a;\n");
  std::filesystem::create_symlink(source, dir.path() + "/src/a.c.lsc");
  loadSection("a.fdc", "a.c", dir.path() + "/src", 1);
  testing::internal::CaptureStderr();
  writeListings(model, options, options.listingDirectory, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            warningFrame("Cannot create annotated listing " + dir.path() + "/src/a.c.lsc"));
  EXPECT_EQ(readFile(source), "int a;\n");
}

TEST_F(WriteListingsTest, AListingMetAgainUnderAnotherSpellingIsAppendedTo) {
  // Two sections of one source, whose directories are spelled differently: the
  // second listing goes to the file the first has just written.
  dir.write("one/a.c", "one\n");
  dir.write("one/a.c.lsc", "stale listing of an earlier run\n");
  loadSection("v1.fdc", "a.c", dir.path() + "/one", 1);
  loadSection("v2.fdc", "a.c", dir.path() + "/one/.", 2);
  testing::internal::CaptureStderr();
  writeListings(model, options, options.listingDirectory, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            infoFrame("Creating annotated listing of a.c") +
                infoFrame("Appending annotated listing of a.c"));
  const std::string listing = readFile(dir.path() + "/one/a.c.lsc");
  EXPECT_EQ(listing.find("stale"), std::string::npos);
  const std::string body = "    1 ==>|one\n***** Incoming *****\n";
  const size_t first = listing.find(body);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(listing.find(body, first + 1), std::string::npos);
  EXPECT_NE(listing.find("\tFile: a.c (" + dir.path() + "/one/.)\n"), std::string::npos);
}

} // namespace
