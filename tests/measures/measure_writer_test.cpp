// The measure writer: where its files go, its failures, and its wait for a lock
// held by another writer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <poll.h>
#include <pwd.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "measure_files.h"
#include "measures/measure_writer.h"
#include "message_sink.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

class MeasureWriterTest : public ::testing::Test {
protected:
  void SetUp() override {
    setMessageIdentity("Corvane Velmora", "zeltocov");
    fs::create_directories(dir_.path() + "/Coverage");
  }

  int write(uint32_t key, uint32_t date, const std::vector<uint32_t> &values,
            std::FILE *errors = nullptr) {
    MeasureWriter writer(1700000000, errors ? errors : sink_.stream());
    return writer.writeTpmMeasure("Coverage", key, date, values);
  }
  std::string file(const std::string &name) const { return dir_.path() + "/Coverage/" + name; }

  TempDir dir_;
  MessageSink sink_;
  ScopedEnv root_{"ZELTO_TPM_ROOT", dir_.path()};
  ScopedEnv user_{"ZELTO_TPM_USER", "ann"};
};

TEST_F(MeasureWriterTest, FilesAreNamedByMeasureUserAndCountAndTheLockIsGoneAfterwards) {
  EXPECT_EQ(write(3, 0, {1, 2}), 0);
  EXPECT_EQ(write(4, 1234, {1, 2}), 0);
  EXPECT_EQ(sink_.text(), "");
  std::vector<std::string> names;
  for (const auto &entry : fs::directory_iterator(dir_.path() + "/Coverage"))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"ann.2.idx", "ann.2.tpm"}));
  // A date of 0 stands for the writer's clock.
  const std::vector<DecodedRecord> records = recordsOf(readFile(file("ann.2.tpm")), 2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].date, 1700000000u);
  EXPECT_EQ(records[1].date, 1234u);
}

TEST_F(MeasureWriterTest, WithoutZeltoTpmUserTheEffectiveUsersLoginNameIsUsed) {
  ScopedEnv noUser("ZELTO_TPM_USER", std::nullopt);
  const struct passwd *entry = getpwuid(geteuid());
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(write(3, 0, {1}), 0);
  EXPECT_EQ(sink_.text(), "");
  EXPECT_TRUE(fs::exists(file(std::string(entry->pw_name) + ".1.tpm")));
}

TEST_F(MeasureWriterTest, MissingRootOrMeasureDirectoryEndsTheMeasure) {
  {
    ScopedEnv noRoot("ZELTO_TPM_ROOT", std::nullopt);
    EXPECT_EQ(write(3, 0, {1}), 1);
  }
  EXPECT_EQ(sink_.text(), tpmMessage("ZELTO_TPM_ROOT is not set!"));

  sink_.clear();
  {
    ScopedEnv missing("ZELTO_TPM_ROOT", dir_.path() + "/none");
    EXPECT_EQ(write(3, 0, {1}), 1);
  }
  EXPECT_EQ(sink_.text(),
            tpmMessage("ZELTO_TPM_ROOT directory does not exist: " + dir_.path() + "/none"));

  // The directory of the measure name is not created.
  sink_.clear();
  fs::remove(dir_.path() + "/Coverage");
  EXPECT_EQ(write(3, 0, {1}), 1);
  EXPECT_EQ(sink_.text(), tpmMessage("Cannot open file :" + dir_.path() +
                                     "/Coverage/ann.1.lck\nReason is : No such file or "
                                     "directory\n"));
  EXPECT_FALSE(fs::exists(dir_.path() + "/Coverage"));
}

TEST_F(MeasureWriterTest, AtMost9999SubValues) {
  EXPECT_EQ(write(3, 0, std::vector<uint32_t>(10000, 1)), 1);
  EXPECT_EQ(sink_.text(), tpmMessage("Too many measure sub values"));
  EXPECT_FALSE(fs::exists(file("ann.10000.tpm")));
  sink_.clear();
  EXPECT_EQ(write(3, 0, std::vector<uint32_t>(9999, 1)), 0);
  EXPECT_EQ(sink_.text(), "");
  EXPECT_EQ(fs::file_size(file("ann.9999.tpm")), 8u * 10000u);
}

TEST_F(MeasureWriterTest, AFailureAfterTheLockStillUnlocks) {
  dir_.write("Coverage/ann.1.tpm", "torn");
  EXPECT_EQ(write(3, 0, {1}), 1);
  EXPECT_EQ(sink_.text(), tpmMessage("Unable to read DataBase file"));
  EXPECT_FALSE(fs::exists(file("ann.1.lck")));
  EXPECT_FALSE(fs::exists(file("ann.1.idx")));
}

/// Reads what a waiting writer shows through a pipe and, once it says that the
/// lock file is in use, acts as the holder of the lock or as the user would.
class LockHolder {
public:
  explicit LockHolder(std::function<void()> whenWaiting) {
    if (pipe(fds_) != 0) throw std::runtime_error("pipe failed");
    writeEnd_ = fdopen(fds_[1], "w");
    reader_ = std::thread([this, act = std::move(whenWaiting)] { read(act); });
  }
  ~LockHolder() { finish(); }

  std::FILE *stream() const { return writeEnd_; }
  /// Everything the writer showed, once it is done.
  std::string finish() {
    if (writeEnd_) {
      std::fclose(writeEnd_);
      writeEnd_ = nullptr;
      reader_.join();
      close(fds_[0]);
    }
    return text_;
  }
  bool sawWait() const { return sawWait_; }

private:
  void read(const std::function<void()> &act) {
    bool acted = false;
    char chunk[1024];
    for (;;) {
      struct pollfd ready {
        fds_[0], POLLIN, 0
      };
      // A writer that never says it waits is let go after a generous delay.
      if (poll(&ready, 1, 60000) <= 0) {
        if (!acted) act();
        acted = true;
        continue;
      }
      const ssize_t n = ::read(fds_[0], chunk, sizeof chunk);
      if (n <= 0) break;
      text_.append(chunk, static_cast<std::size_t>(n));
      if (!acted && text_.find("File is currently in use") != std::string::npos) {
        sawWait_ = true;
        acted = true;
        act();
      }
    }
  }

  int fds_[2] = {-1, -1};
  std::FILE *writeEnd_ = nullptr;
  std::thread reader_;
  std::string text_;
  std::atomic<bool> sawWait_{false};
};

std::atomic<int> testHandlerCalls{0};
extern "C" void countInterrupt(int) {
  ++testHandlerCalls;
}

/// Installs a handler of the test's own, to see that the writer gives it back.
class TestInterruptHandler {
public:
  TestInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = countInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
    testHandlerCalls = 0;
  }
  ~TestInterruptHandler() { sigaction(SIGINT, &previous_, nullptr); }
  static bool installed() {
    struct sigaction current {};
    sigaction(SIGINT, nullptr, &current);
    return current.sa_handler == countInterrupt;
  }

private:
  struct sigaction previous_ {};
};

const std::string kInUse =
    "File is currently in use.\n  Please break\n      or wait until previous "
    "task has finished\n      or remove file: ";

TEST_F(MeasureWriterTest, AWriterWaitsForTheLockFileToGoAndThenWrites) {
  TestInterruptHandler handler;
  const std::string lock = dir_.write("Coverage/ann.2.lck", "");
  LockHolder holder([&] { fs::remove(lock); });
  EXPECT_EQ(write(3, 0, {1, 2}, holder.stream()), 0);
  EXPECT_EQ(holder.finish(), tpmMessage(kInUse + lock) + tpmMessage("File is now available"));
  EXPECT_EQ(recordsOf(readFile(file("ann.2.tpm")), 2).size(), 1u);
  EXPECT_FALSE(fs::exists(lock));
  EXPECT_TRUE(TestInterruptHandler::installed());
}

TEST_F(MeasureWriterTest, AnInterruptWhileWaitingEndsTheMeasureWithoutWriting) {
  TestInterruptHandler handler;
  const std::string lock = dir_.write("Coverage/ann.2.lck", "");
  LockHolder user([] { kill(getpid(), SIGINT); });
  EXPECT_EQ(write(3, 0, {1, 2}, user.stream()), 1);
  EXPECT_TRUE(user.sawWait());
  EXPECT_EQ(user.finish(), tpmMessage(kInUse + lock) +
                               tpmMessage("User break.\n  File is still in use.\n  Please wait "
                                          "until previous task has finished\n      or remove "
                                          "file: " +
                                          lock));
  // The interrupt went to the wait, not to the handler it replaced, which is back.
  EXPECT_EQ(testHandlerCalls, 0);
  EXPECT_TRUE(TestInterruptHandler::installed());
  // The other writer's lock file stays; nothing was written.
  EXPECT_TRUE(fs::exists(lock));
  EXPECT_FALSE(fs::exists(file("ann.2.tpm")));
  EXPECT_FALSE(fs::exists(file("ann.2.idx")));
}

} // namespace
