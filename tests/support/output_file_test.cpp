// Outputs written whole: the target keeps its old content until the commit, the
// new file is a hidden one beside it, and a fatal error settles each open output
// as it asked.
#include "support/messages.h"
#include "support/output_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using testing::ExitedWithCode;

namespace {

/// The names in a folder, sorted (hidden ones included).
std::vector<std::string> namesIn(const std::string &folder) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool isHiddenUnfinished(const std::string &name, const std::string &target) {
  const std::string prefix = "." + target + ".zeltocov-unfinished-";
  return name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0;
}

void put(OutputFile &file, const std::string &text) {
  ASSERT_NE(file.stream(), nullptr);
  ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file.stream()), text.size());
  // On disk in the new file, so that the target is seen not to change.
  ASSERT_EQ(std::fflush(file.stream()), 0);
}

} // namespace

TEST(OutputFileTest, TargetKeepsOldContentUntilCommitThenHasTheWholeNewContent) {
  TempDir dir;
  const std::string target = dir.write("report.txt", "old content\n");
  OutputFile file;
  QString reason;
  ASSERT_TRUE(file.open(target, OnFatal::LeaveTarget, &reason)) << reason.toStdString();
  EXPECT_FALSE(file.direct());
  put(file, "first half, ");
  EXPECT_EQ(readFile(target), "old content\n");
  // The new file is one hidden file beside the target.
  const std::vector<std::string> during = namesIn(dir.path());
  ASSERT_EQ(during.size(), 2u);
  EXPECT_TRUE(isHiddenUnfinished(during[0], "report.txt")) << during[0];
  EXPECT_EQ(during[1], "report.txt");
  put(file, "second half\n");
  EXPECT_EQ(readFile(target), "old content\n");

  ASSERT_TRUE(file.commit(&reason)) << reason.toStdString();
  EXPECT_EQ(readFile(target), "first half, second half\n");
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"report.txt"});
  EXPECT_EQ(file.stream(), nullptr);
}

TEST(OutputFileTest, AbandonAndDestructionWithoutCommitLeaveTheOldContentAndNoHiddenFile) {
  TempDir dir;
  const std::string abandoned = dir.write("abandoned.txt", "old a\n");
  const std::string dropped = dir.write("dropped.txt", "old d\n");
  {
    OutputFile file;
    ASSERT_TRUE(file.open(abandoned, OnFatal::KeepWritten, nullptr));
    put(file, "new a\n");
    file.abandon();
    EXPECT_EQ(file.stream(), nullptr);
    EXPECT_EQ(readFile(abandoned), "old a\n");
  }
  {
    OutputFile file;
    ASSERT_TRUE(file.open(dropped, OnFatal::KeepWritten, nullptr));
    put(file, "new d\n");
  }
  EXPECT_EQ(readFile(dropped), "old d\n");
  EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"abandoned.txt", "dropped.txt"}));
}

TEST(OutputFileTest, LinkToAFileIsReplacedThroughTheLinkWhichStaysALink) {
  TempDir dir;
  const std::string real = dir.write("real/r.txt", "old\n");
  std::filesystem::create_directory(dir.path() + "/links");
  const std::string link = dir.path() + "/links/l.txt";
  ASSERT_EQ(::symlink("../real/r.txt", link.c_str()), 0);

  OutputFile file;
  ASSERT_TRUE(file.open(link, OnFatal::LeaveTarget, nullptr));
  put(file, "new\n");
  // The new file is made beside the file it replaces, so that a rename can replace it.
  EXPECT_EQ(namesIn(dir.path() + "/links"), std::vector<std::string>{"l.txt"});
  EXPECT_EQ(namesIn(dir.path() + "/real").size(), 2u);
  ASSERT_TRUE(file.commit(nullptr));

  struct stat status {};
  ASSERT_EQ(::lstat(link.c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  EXPECT_EQ(readFile(real), "new\n");
  EXPECT_EQ(namesIn(dir.path() + "/real"), std::vector<std::string>{"r.txt"});
}

TEST(OutputFileTest, ReadOnlyTargetIsRefusedAndKeepsItsContent) {
  TempDir dir;
  const std::string target = dir.write("locked.txt", "kept\n");
  ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
  // As root (euid 0), access() lets a read-only file be written: nothing to refuse.
  if (::access(target.c_str(), W_OK) == 0)
    GTEST_SKIP() << "euid " << ::geteuid() << ": access() lets a read-only file be written";
  OutputFile file;
  QString reason;
  EXPECT_FALSE(file.open(target, OnFatal::LeaveTarget, &reason));
  EXPECT_EQ(reason.toStdString(), "Permission denied");
  EXPECT_EQ(file.stream(), nullptr);
  EXPECT_EQ(readFile(target), "kept\n");
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"locked.txt"});
}

TEST(OutputFileTest, NewFileModeIsReadWriteForAllLessTheUmask) {
  TempDir dir;
  const std::string target = dir.path() + "/new.txt";
  const mode_t saved = ::umask(027);
  OutputFile file;
  const bool opened = file.open(target, OnFatal::LeaveTarget, nullptr);
  const bool committed = opened && file.commit(nullptr);
  ::umask(saved);
  ASSERT_TRUE(committed);
  struct stat status {};
  ASSERT_EQ(::stat(target.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST(OutputFileTest, KeepContentAppendsToTheOldContent) {
  TempDir dir;
  const std::string target = dir.write("a.c.lsc", "first listing\n");
  OutputFile file;
  ASSERT_TRUE(file.open(target, OnFatal::KeepWritten, nullptr, true));
  put(file, "second listing\n");
  EXPECT_EQ(readFile(target), "first listing\n");
  ASSERT_TRUE(file.commit(nullptr));
  EXPECT_EQ(readFile(target), "first listing\nsecond listing\n");

  // Nothing to keep: the new file is what was written.
  const std::string fresh = dir.path() + "/b.c.lsc";
  ASSERT_TRUE(file.open(fresh, OnFatal::KeepWritten, nullptr, true));
  put(file, "only\n");
  ASSERT_TRUE(file.commit(nullptr));
  EXPECT_EQ(readFile(fresh), "only\n");
}

TEST(OutputFileTest, TargetThatIsNoRegularFileIsWrittenDirectly) {
  OutputFile null;
  ASSERT_TRUE(null.open("/dev/null", OnFatal::LeaveTarget, nullptr));
  // Stop before a commit that would try to replace /dev/null.
  ASSERT_TRUE(null.direct());
  put(null, "gone\n");
  EXPECT_TRUE(null.commit(nullptr));

  // A pipe gets the bytes as they are written and stays a pipe.
  TempDir dir;
  const std::string pipe = dir.path() + "/pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  OutputFile piped;
  ASSERT_TRUE(piped.open(pipe, OnFatal::LeaveTarget, nullptr));
  ASSERT_TRUE(piped.direct());
  put(piped, "through\n");
  EXPECT_TRUE(piped.commit(nullptr));
  char got[32] = {};
  EXPECT_EQ(::read(reader, got, sizeof got), 8);
  ::close(reader);
  EXPECT_EQ(std::string(got), "through\n");
  struct stat status {};
  ASSERT_EQ(::lstat(pipe.c_str(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"pipe"});

  // A device that cannot take the bytes: the commit says why.
  OutputFile full;
  ASSERT_TRUE(full.open("/dev/full", OnFatal::LeaveTarget, nullptr));
  ASSERT_TRUE(full.direct());
  std::fputs("too much\n", full.stream());
  QString reason;
  EXPECT_FALSE(full.commit(&reason));
  EXPECT_EQ(reason.toStdString(), "No space left on device");
}

TEST(OutputFileTest, SettleAllOnFatalKeepsWhatWasWrittenOrLeavesTheTargetAsAsked) {
  TempDir dir;
  const std::string report = dir.write("report.txt", "old report\n");
  const std::string xml = dir.write("cov.xml", "old xml\n");
  OutputFile kept;
  OutputFile left;
  ASSERT_TRUE(kept.open(report, OnFatal::KeepWritten, nullptr));
  ASSERT_TRUE(left.open(xml, OnFatal::LeaveTarget, nullptr));
  // Still in the stream's buffer: settling flushes it.
  std::fputs("partial report\n", kept.stream());
  std::fputs("<partial", left.stream());
  OutputFile::settleAllOnFatal();
  EXPECT_EQ(kept.stream(), nullptr);
  EXPECT_EQ(left.stream(), nullptr);
  EXPECT_EQ(readFile(report), "partial report\n");
  EXPECT_EQ(readFile(xml), "old xml\n");
  EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"cov.xml", "report.txt"}));
}

TEST(OutputFileDeathTest, FatalErrorSettlesEveryOpenOutput) {
  TempDir dir;
  const std::string report = dir.write("report.txt", "old report\n");
  const std::string xml = dir.write("cov.xml", "old xml\n");
  EXPECT_EXIT(
      {
        OutputFile kept;
        OutputFile left;
        if (kept.open(report, OnFatal::KeepWritten, nullptr) &&
            left.open(xml, OnFatal::LeaveTarget, nullptr)) {
          std::fputs("partial report\n", kept.stream());
          std::fputs("<partial", left.stream());
          reportFatal(QStringLiteral("stopped"));
        }
      },
      ExitedWithCode(kExitFatal), "FATAL ERROR: stopped");
  EXPECT_EQ(readFile(report), "partial report\n");
  EXPECT_EQ(readFile(xml), "old xml\n");
  EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"cov.xml", "report.txt"}));
}
