// Loading FDC files: records, sections, identities and the files handed back.
#include "fdc_test_helpers.h"

#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "support/file_identity.h"

namespace {

uint32_t folded(uint32_t checksum, const char *identification) {
  FoldChecksum(checksum, identification);
  return checksum;
}

TEST_F(FdcTest, LoadsEveryRecordKindIntoItsService) {
  load("a.fdc", "VE 3.0e tok w1 w2\n"
                "FC \"a.c\" \"/src/\" \"extra\"\n"
                "FD 1234\n"
                "TC PR RE AP BS BI BL BA CO CC CF\n"
                "PR 0 proc \"f\" 10 30\n"
                "PR 1 return \"f\" 25 25\n"
                "PR 2 endproc \"f\" 30 30\n"
                "AP 0 \"f\" \"printf\" 12 12\n"
                "BL 0 simple \"f\" b0 11 11\n"
                "BL 1 implicit \"f\" b1 13 14\n"
                "BL 2 logical \"f\" b2 15 16 ignored tokens\n"
                "BL 3 atc \"f\" b3 17 17\n"
                "CE 7 \"f\" \"(x > 0)\" 18 18\n"
                "CA 9 \"f\" \"(y)\" 19 19\n"
                "PR 3 proc \"g\" 40 50\n"
                "PR 4 term \"g\" 45 45\n"
                "DC 12345\n");
  EXPECT_TRUE(otherFiles.empty());
  ASSERT_EQ(model.files().size(), 1u);
  SourceFile &file = *model.files()[0];

  EXPECT_STREQ(file.token->text, "tok");
  EXPECT_STREQ(file.tokenWords[0]->text, "w1");
  EXPECT_STREQ(file.tokenWords[1]->text, "w2");
  EXPECT_EQ(file.tokenWords[2], nullptr);
  EXPECT_STREQ(file.sourceName->text, "a.c");
  EXPECT_STREQ(file.sourceDir->text, "/src/");
  EXPECT_STREQ(file.extraText->text, "extra");
  EXPECT_EQ(file.fileKey, FileKey("/src/a.c"));
  EXPECT_EQ(file.checksum, folded(12345, "tok w1 w2"));
  EXPECT_EQ(file.sourceTime, 1234u);
  EXPECT_EQ(file.instrumentedTypes, 0x0001 | 0x0002 | 0x0004 | 0x0008 | 0x0020 | 0x0040 | 0x0080 |
                                        0x0100 | 0x0600 | 0x0800);
  EXPECT_EQ(file.procedureBranchCount, 5u);
  EXPECT_EQ(file.callBranchCount, 1u);
  EXPECT_EQ(file.blockBranchCount, 4u);
  EXPECT_EQ(file.conditionBranchCount, 3u);

  ASSERT_EQ(file.services.size(), 2u);
  Service &f = *file.services[0];
  EXPECT_STREQ(f.name->text, "f");
  ASSERT_TRUE(f.hasEntry);
  EXPECT_EQ(f.entry.id, 0u);
  EXPECT_EQ(f.entry.firstLine, 10u);
  ASSERT_EQ(f.exits.size(), 2u);
  EXPECT_EQ(f.exits[0].kind, ExitReturn);
  EXPECT_EQ(f.exits[0].branch.id, 1u);
  EXPECT_EQ(f.exits[1].kind, ExitRegular);
  ASSERT_EQ(f.calls.size(), 1u);
  EXPECT_STREQ(f.calls[0].calledName->text, "printf");
  EXPECT_EQ(f.calls[0].calledName, internName("printf"));
  ASSERT_EQ(f.blocks.size(), 4u);
  EXPECT_EQ(f.blocks[1].kind, BlockImplicit);
  EXPECT_EQ(f.blocks[1].label, "b1");
  EXPECT_EQ(f.blocks[1].branch.lastLine, 14u);
  EXPECT_EQ(f.blocks[3].kind, BlockAsync);

  // CE 7 is the True outcome 7 and the False outcome 8, sharing one text.
  ASSERT_EQ(f.conditions.size(), 3u);
  EXPECT_EQ(f.conditions[0].branch.id, 7u);
  EXPECT_EQ(f.conditions[1].branch.id, 8u);
  EXPECT_EQ(f.conditions[0].kind, CondBasic);
  EXPECT_EQ(f.conditions[0].text, f.conditions[1].text);
  EXPECT_EQ(*f.conditions[0].text, "\"(x > 0)\"");
  EXPECT_EQ(f.conditions[1].branch.firstLine, 18u);
  EXPECT_EQ(f.conditions[2].kind, CondSingle);
  EXPECT_EQ(f.conditions[2].branch.id, 9u);
  EXPECT_NE(f.conditions[2].text, f.conditions[1].text);

  const uint32_t expected[CntCount] = {1, 3, 1, 1, 1, 1, 1, 2 + 1, 0, 0};
  for (int i = 0; i < CntCount; ++i)
    EXPECT_EQ(f.staticCounts[i], expected[i]) << "counter " << i;
  EXPECT_EQ(f.firstLine, 10u);
  EXPECT_EQ(f.lastLine, 30u);

  Service &g = *file.services[1];
  EXPECT_EQ(g.ordinal, 1u);
  EXPECT_EQ(g.exits[0].kind, ExitTermination);
  EXPECT_EQ(g.firstLine, 40u);
  EXPECT_EQ(g.lastLine, 50u);
}

TEST_F(FdcTest, IdentificationWordsStopAtADigitOrHash) {
  load("a.fdc", "VE 3.0d tok 12 abc\nFC \"a.c\" \"d\"\nFD 0\nTC PR\nPR 0 proc \"f\" 1 1\nDC 1\n"
                "@/RIK@\n"
                "VE 3.0e tok w1 #x w3\nFC \"b.c\" \"d\"\nFD 0\nTC PR\nPR 0 proc \"f\" 1 1\nDC 1\n");
  ASSERT_EQ(model.files().size(), 2u);
  // Sections of one file stand in the reverse of their file order.
  const SourceFile &second = *model.files()[0];
  const SourceFile &first = *model.files()[1];
  EXPECT_STREQ(first.sourceName->text, "a.c");
  EXPECT_EQ(first.tokenWords[0], nullptr);
  EXPECT_EQ(first.checksum, folded(1, "tok"));
  EXPECT_STREQ(second.sourceName->text, "b.c");
  EXPECT_STREQ(second.tokenWords[0]->text, "w1");
  EXPECT_EQ(second.tokenWords[1], nullptr);
  EXPECT_EQ(second.checksum, folded(1, "tok w1"));
}

TEST_F(FdcTest, QuotedNamesKeepEscapedQuotesAndOtherBackslashes) {
  load("a.fdc", "VE 3.0e tok\nFC \"a\\\"b.c\" \"d\\x\"\nFD 0\nTC PR\nPR 0 proc \"f\" 1 1\nDC 1\n");
  ASSERT_EQ(model.files().size(), 1u);
  EXPECT_STREQ(model.files()[0]->sourceName->text, "a\"b.c");
  EXPECT_STREQ(model.files()[0]->sourceDir->text, "d\\x");
  EXPECT_EQ(model.files()[0]->extraText, nullptr);
}

TEST_F(FdcTest, ChecksumLineFileKey) {
  // A second number replaces the key of directory + name; a trailing blank after
  // the checksum alone is an empty key token, read as 0.
  load("a.fdc", header() + "PR 0 proc \"f\" 1 1\nDC 5 77\n");
  load("b.fdc", header() + "PR 0 proc \"f\" 1 1\nDC 6 \n");
  ASSERT_EQ(model.files().size(), 2u);
  EXPECT_EQ(model.files()[0]->fileKey, 77u);
  EXPECT_EQ(model.files()[1]->fileKey, 0u);
  EXPECT_EQ(model.files()[1]->checksum, folded(6, "tok"));
}

TEST_F(FdcTest, CarriageReturnLineEnds) {
  load("a.fdc", "VE 3.0e tok\r\nFC \"a.c\" \"d\"\r\nFD 0\r\nTC PR CO\r\n"
                "CE 0 \"f\" \"(c)\" 3 4\r\nDC 9 5\r\n");
  ASSERT_EQ(model.files().size(), 1u);
  EXPECT_EQ(model.files()[0]->fileKey, 5u);
  EXPECT_EQ(model.files()[0]->instrumentedTypes, 0x0101);
  EXPECT_EQ(model.files()[0]->services[0]->conditions[1].branch.lastLine, 4u);
}

TEST_F(FdcTest, SectionScanNeedsTheMarkerBetweenAtSigns) {
  const std::string section = header("PR") + "PR 0 proc \"f\" 1 1\n";
  // No marker: what follows is hidden.
  load("a.fdc", section + "DC 1\nVE 3.0e hidden\n/RIK VE\n" + section + "DC 2\n");
  // A marker line followed by a line other than VE: the scan goes on.
  load("b.fdc", section + "DC 3\n@/RIK\nnot a section\n/RIK\n" + section + "DC 4\n");
  // A mismatch resets the match without looking at that character again, so
  // "/R/RIK" holds no marker; the next line's does.
  load("c.fdc", section + "DC 5\n@/R/RIK\n/RIK x\n" + section + "DC 6\n");
  // A second at sign turns the scan off again.
  load("d.fdc", section + "DC 7\n@@/RIK\n" + section + "DC 8\n");
  std::vector<uint32_t> checksums;
  for (const auto &file : model.files())
    checksums.push_back(file->checksum);
  const std::vector<uint32_t> expected = {folded(1, "tok"), folded(4, "tok"), folded(3, "tok"),
                                          folded(6, "tok"), folded(5, "tok"), folded(7, "tok")};
  EXPECT_EQ(checksums, expected);
}

TEST_F(FdcTest, RedundantSectionsOfLaterFilesAreDroppedWithOneInfo) {
  const std::string section = header("PR") + "PR 0 proc \"f\" 1 1\nDC 1\n";
  // Two equal sections within one file are both kept.
  load("a.fdc", section + "@/RIK@\n" + section);
  EXPECT_EQ(model.files().size(), 2u);
  testing::internal::CaptureStderr();
  const std::string path = load("b.fdc", section + "@/RIK@\n" + section + "@/RIK@\n" +
                                             header("PR") + "PR 0 proc \"f\" 1 1\nDC 2\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            infoFrame(path + " contains redundant static information; it is ignored"));
  ASSERT_EQ(model.files().size(), 3u);
  EXPECT_EQ(model.files()[2]->checksum, folded(2, "tok"));
}

TEST_F(FdcTest, FilesThatAreNotFdcFilesAreHandedBack) {
  testing::internal::CaptureStderr();
  const std::string trace = load("run.tio", "NT 1\nFT 0 0\n");
  const std::string empty = load("empty.tio", "");
  const std::string lower = load("lower.fdc", "ve 3.0e tok\n");
  const std::string noLineEnd = load("short.fdc", "VE 3.0e tok");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  std::vector<std::string> names;
  for (const InputFile &input : otherFiles) {
    EXPECT_EQ(input.path, input.name) << "a regular file is read where it is";
    names.push_back(input.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{trace, empty, lower, noLineEnd}));
  EXPECT_TRUE(model.files().empty());
}

TEST_F(FdcTest, APipeIsReadOnceIntoACopyThatKeepsItsFirstLine) {
  const std::string fifo = dir.path() + "/run.pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string content = "NT \"t\"\nFT 1\nDC 1\nTP 0\n";
  std::thread writer([&] { std::ofstream(fifo) << content; });
  LoadFdcFile(fifo, 0, otherFiles, model);
  writer.join();
  ASSERT_EQ(otherFiles.size(), 1u);
  EXPECT_EQ(otherFiles[0].name, fifo);
  EXPECT_NE(otherFiles[0].path, fifo);
  // The copy can be read whole, twice (once per pass).
  EXPECT_EQ(readFile(otherFiles[0].path), content);
  EXPECT_EQ(readFile(otherFiles[0].path), content);
}

TEST_F(FdcTest, UnreadableFileIsAWarningAndADroppedInput) {
  const unsigned droppedBefore = inputsDropped();
  const std::string path = dir.path() + "/missing.fdc";
  for (const bool strict : {false, true}) {
    testing::internal::CaptureStderr();
    LoadFdcFile(path, 0, otherFiles, model, strict);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), warningFrame("Cannot open file " + path));
  }
  EXPECT_EQ(inputsDropped() - droppedBefore, 2u);
  EXPECT_TRUE(otherFiles.empty());
  EXPECT_TRUE(model.files().empty());
}

TEST_F(FdcTest, StrictRunsSayWhyADirectoryOrADanglingLinkIsLeftOut) {
  const std::string directory = dir.path() + "/sub.fdc";
  ASSERT_EQ(::mkdir(directory.c_str(), 0700), 0);
  const std::string dangling = dir.path() + "/dangling.fdc";
  ASSERT_EQ(::symlink("nowhere.fdc", dangling.c_str()), 0);
  const std::string toDirectory = dir.path() + "/linked.fdc";
  ASSERT_EQ(::symlink("sub.fdc", toDirectory.c_str()), 0);

  unsigned droppedBefore = inputsDropped();
  testing::internal::CaptureStderr();
  for (const std::string &name : {directory, dangling, toDirectory})
    LoadFdcFile(name, 0, otherFiles, model, true);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            warningFrame(directory + " is a directory; it is left out") +
                warningFrame(dangling + " is a link to a missing file; it is left out") +
                warningFrame(toDirectory + " is a directory; it is left out"));
  EXPECT_EQ(inputsDropped() - droppedBefore, 3u);

  // Without -STRICT they are files that cannot be opened.
  droppedBefore = inputsDropped();
  testing::internal::CaptureStderr();
  for (const std::string &name : {directory, dangling})
    LoadFdcFile(name, 0, otherFiles, model);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            warningFrame("Cannot open file " + directory) +
                warningFrame("Cannot open file " + dangling));
  EXPECT_EQ(inputsDropped() - droppedBefore, 2u);
  EXPECT_TRUE(otherFiles.empty());
  EXPECT_TRUE(model.files().empty());
}

} // namespace
