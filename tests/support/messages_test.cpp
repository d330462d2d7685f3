// Message frames, exit statuses and the crash and out-of-memory paths.
#include "support/host_services.h"
#include "support/messages.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>

using testing::ExitedWithCode;

namespace {

QString captureMessage(void (*report)(const QString &), const QString &text) {
  testing::internal::CaptureStderr();
  report(text);
  return QString::fromLocal8Bit(testing::internal::GetCapturedStderr().c_str());
}

class MessagesTest : public testing::Test {
protected:
  void SetUp() override { setMessageIdentity("Corvane Velmora", "zeltocov"); }
};

} // namespace

TEST(MessageIdentityTest, InitialNamesFrameMessagesRaisedBeforeStartUp) {
  // A fresh process, so that no other test has set the identity yet.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        reportError("early");
        std::exit(0);
      },
      ExitedWithCode(0), "^Velmora <unnamed binary> - ERROR: early\n$");
}

TEST_F(MessagesTest, ContinuingLevelsUseTheirFrames) {
  EXPECT_EQ(captureMessage(reportError, "e"), "Corvane Velmora zeltocov - ERROR: e\n");
  EXPECT_EQ(captureMessage(reportWarning, "The file A.C appears twice in -FILE list"),
            "Corvane Velmora zeltocov - WARNING: The file A.C appears twice in -FILE list\n");
  EXPECT_EQ(captureMessage(reportInfo, "i"), "Corvane Velmora zeltocov - INFO: i\n");
  EXPECT_EQ(productName(), "Corvane Velmora");
}

TEST_F(MessagesTest, PercentAndPlaceholdersInTheTextArePrintedUnchanged) {
  EXPECT_EQ(captureMessage(reportWarning, "100% of %1 and %2 %3 %s %n"),
            "Corvane Velmora zeltocov - WARNING: 100% of %1 and %2 %3 %s %n\n");
  setMessageIdentity("P%3", "x%1");
  EXPECT_EQ(captureMessage(reportInfo, "%2"), "P%3 x%1 - INFO: %2\n");
}

TEST_F(MessagesTest, FatalEndsWithSevenAndKeepsWhatOpenFilesHold) {
  TempDir dir;
  const std::string path = dir.path() + "/report.txt";
  EXPECT_EXIT(
      {
        std::FILE *out = std::fopen(path.c_str(), "w");
        std::fprintf(out, "partial report\n");
        reportFatal("disk %1 gone");
      },
      ExitedWithCode(kExitFatal), "^Corvane Velmora zeltocov - FATAL ERROR: disk %1 gone\n$");
  EXPECT_EQ(readFile(path), "partial report\n");
}

TEST_F(MessagesTest, InternalErrorPrintsLocationLineOrEmptyLine) {
  EXPECT_EXIT(reportInternal("bad state", "model.cpp", 42), ExitedWithCode(kExitInternal),
              "^Corvane Velmora zeltocov - INTERNAL ERROR: bad state\n\\[model\\.cpp:42\\]\n$");
  EXPECT_EXIT(reportInternal("bad state"), ExitedWithCode(kExitInternal),
              "^Corvane Velmora zeltocov - INTERNAL ERROR: bad state\n\n$");
}

TEST_F(MessagesTest, AccessViolationBecomesInternalError) {
  EXPECT_EXIT(std::raise(SIGSEGV), ExitedWithCode(kExitInternal),
              "^Corvane Velmora zeltocov - INTERNAL ERROR: Please, contact your support\n\n$");
  EXPECT_EXIT(std::raise(SIGBUS), ExitedWithCode(kExitInternal),
              "INTERNAL ERROR: Please, contact your support\n");
}

namespace {

volatile int recursionSink = 0;
volatile bool stopRecursion = false; // never set

int recurseForever(int depth) {
  if (stopRecursion) return 0;
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  recursionSink = recursionSink + frame[0];
  return recurseForever(depth + 1) + frame[0];
}

} // namespace

TEST_F(MessagesTest, StackOverflowStillReachesTheCrashHandler) {
  EXPECT_EXIT(recurseForever(0), ExitedWithCode(kExitInternal),
              "INTERNAL ERROR: Please, contact your support\n");
}

TEST_F(MessagesTest, FailedAllocationIsFatalNoMemoryLeft) {
  // Not anchored at the start: a sanitizer may warn about the failed allocation first.
  const char *expected = "Corvane Velmora zeltocov - FATAL ERROR: No memory left\n$";
  EXPECT_EXIT(safeAlloc(SIZE_MAX / 2), ExitedWithCode(kExitFatal), expected);
  EXPECT_EXIT(
      {
        static void *block = safeAlloc(16); // still reachable at exit: no leak report
        safeRealloc(block, SIZE_MAX / 2);
      },
      ExitedWithCode(kExitFatal), expected);
  ASSERT_NE(std::get_new_handler(), nullptr);
  EXPECT_EXIT(std::get_new_handler()(), ExitedWithCode(kExitFatal), expected);
}
