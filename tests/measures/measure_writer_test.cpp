// The measure writer: where its files go, its failures, and its wait for a lock
// held by another writer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <pwd.h>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "measure_files.h"
#include "measures/measure_error_display.h"
#include "measures/measure_lock.h"
#include "measures/measure_writer.h"
#include "message_sink.h"
#include "support/host_services.h"
#include "support/run_clock.h"
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
    MeasureWriter writer(getEnv("ZELTO_TPM_ROOT"), 1700000000, errors ? errors : sink_.stream());
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
  // Complete records whose totals do not follow from each other, and no index.
  dir_.write("Coverage/ann.1.tpm", littleEndian({1, 5, 2, 2, 1, 6, 3, 4}));
  EXPECT_EQ(write(3, 0, {1}), 1);
  EXPECT_EQ(sink_.text(), tpmMessage("Unable to read DataBase file"));
  EXPECT_FALSE(fs::exists(file("ann.1.lck")));
  EXPECT_EQ(readFile(file("ann.1.idx")), "");
}

TEST_F(MeasureWriterTest, UserNamesThatLeaveTheFolderAreRefusedLikeAMissingOne) {
  for (const char *name : {"../../x", "a/b", ".", "..", "", "/abs"}) {
    ScopedEnv user("ZELTO_TPM_USER", std::string(name));
    EXPECT_EQ(write(3, 0, {1}), 1) << name;
    EXPECT_EQ(sink_.text(), tpmMessage("Unable to get User name\n")) << name;
    sink_.clear();
  }
  // Nothing anywhere in the tree: only the empty measure folder.
  std::vector<std::string> found;
  for (const auto &entry : fs::recursive_directory_iterator(dir_.path()))
    found.push_back(entry.path().string());
  EXPECT_EQ(found, std::vector<std::string>{dir_.path() + "/Coverage"});
}

TEST_F(MeasureWriterTest, AFullDiskLosesOnlyTheMeasureBeingWritten) {
  EXPECT_EQ(write(3, 0, {1, 2}), 0);
  EXPECT_EQ(write(4, 0, {10, 20}), 0);
  // Enough records that the limit leaves room for the messages.
  for (uint32_t key = 100; key < 120; ++key)
    EXPECT_EQ(write(key, 0, {0, 0}), 0);
  const std::string database = readFile(file("ann.2.tpm")), index = readFile(file("ann.2.idx"));
  struct rlimit previous {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  // Room for a part of a record only, as on a disk that fills up.
  struct rlimit small = previous;
  small.rlim_cur = database.size() + 10;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const int full = write(3, 0, {5, 5});
  const int fullNew = write(9, 0, {5, 5});
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &previous), 0);
  EXPECT_EQ(full, 1);
  EXPECT_EQ(fullNew, 1);
  EXPECT_EQ(sink_.text(), tpmMessage("Unable to update DataBase file") +
                              tpmMessage("Unable to update DataBase file"));
  // The part that was written is cut off again.
  EXPECT_EQ(readFile(file("ann.2.tpm")), database);
  EXPECT_EQ(readFile(file("ann.2.idx")), index);
  EXPECT_FALSE(fs::exists(file("ann.2.lck")));
  // Once there is room, the next measure goes on from the right totals.
  sink_.clear();
  EXPECT_EQ(write(3, 0, {5, 5}), 0);
  EXPECT_EQ(sink_.text(), "");
  const std::vector<DecodedRecord> records = recordsOf(readFile(file("ann.2.tpm")), 2);
  ASSERT_EQ(records.size(), 23u);
  EXPECT_EQ(records.back().totals, (std::vector<uint32_t>{15, 25}));
}

TEST_F(MeasureWriterTest, LinksPlantedAtTheFilesOfAUserAreNotFollowed) {
  // Another user of the shared folder plants links at ann's files.
  const std::string target = dir_.path() + "/elsewhere";
  fs::create_directories(target);
  fs::create_symlink(target + "/made.tpm", file("ann.2.tpm"));
  fs::create_symlink(target + "/made.idx", file("ann.2.idx"));
  EXPECT_EQ(write(3, 0, {1, 2}), 1);
  EXPECT_EQ(sink_.text(),
            tpmMessage(file("ann.2.tpm") + " is a link: refused, the measure is not written"));
  EXPECT_TRUE(fs::is_empty(target));
  EXPECT_FALSE(fs::exists(file("ann.2.lck")));
  // And at the lock file: waiting for it would be for ever.
  sink_.clear();
  fs::create_symlink(target + "/made.lck", file("ann.2.lck"));
  EXPECT_EQ(write(3, 0, {1, 2}), 1);
  EXPECT_EQ(sink_.text(),
            tpmMessage(file("ann.2.lck") + " is a link: refused, the measure is not written"));
  EXPECT_TRUE(fs::is_empty(target));
}

/// Reads what a waiting writer shows through a pipe and, once it says that the
/// lock file is in use, acts as the holder of the lock or as the user would.
class LockHolder {
public:
  explicit LockHolder(std::function<void()> whenWaiting,
                      std::string trigger = "File is currently in use")
      : trigger_(std::move(trigger)) {
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
      if (!acted && text_.find(trigger_) != std::string::npos) {
        sawWait_ = true;
        acted = true;
        act();
      }
    }
  }

  std::string trigger_;
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

/// The id of a process that has ended and been reaped.
pid_t endedProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

/// A child process that lives until the object goes away; with a path, it holds
/// the advisory lock of that file meanwhile.
class LivingProcess {
public:
  explicit LivingProcess(const std::string &locked = std::string()) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      if (!locked.empty()) {
        const int file = open(locked.c_str(), O_RDONLY);
        if (file < 0 || flock(file, LOCK_EX) != 0) _exit(1);
      }
      (void)!::write(ready[1], "x", 1);
      for (;;)
        pause();
    }
    close(ready[1]);
    char byte;
    (void)!::read(ready[0], &byte, 1);
    close(ready[0]);
  }
  ~LivingProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  pid_t pid() const { return pid_; }

private:
  pid_t pid_ = -1;
};

TEST_F(MeasureWriterTest, ALockLeftByAProcessThatIsGoneIsTakenOver) {
  const pid_t gone = endedProcess();
  const std::string lock = dir_.write("Coverage/ann.2.lck", lockFileText(gone, lockHostName()));
  EXPECT_EQ(write(3, 0, {1, 2}), 0);
  EXPECT_EQ(sink_.text(), tpmMessage("Lock file " + lock + " was left by process " +
                                     std::to_string(gone) + ", which no longer runs: taken over"));
  EXPECT_FALSE(fs::exists(lock));
  EXPECT_EQ(recordsOf(readFile(file("ann.2.tpm")), 2).size(), 1u);
}

TEST_F(MeasureWriterTest, ALockNotProvablyLeftIsWaitedForAndNamedAfterAWhile) {
  const std::string lock = file("ann.2.lck");
  const pid_t gone = endedProcess();
  LivingProcess living;
  ASSERT_GT(living.pid(), 0);
  struct Case {
    const char *what;
    std::string text;
    bool advisoryLockHeld;
  };
  const std::vector<Case> cases{
      {"empty, as older runs and other writers leave it", "", false},
      {"a living process", lockFileText(living.pid(), lockHostName()), false},
      {"a process of another host", lockFileText(gone, "elsewhere." + lockHostName()), false},
      {"not a lock of this program", "pid " + std::to_string(gone) + "\n", false},
      {"a gone process, but the advisory lock is held", lockFileText(gone, lockHostName()), true},
  };
  for (const Case &c : cases) {
    dir_.write("Coverage/ann.2.lck", c.text);
    std::optional<LivingProcess> holder;
    if (c.advisoryLockHeld) holder.emplace(lock);
    struct stat status {};
    ASSERT_EQ(stat(lock.c_str(), &status), 0);
    const std::string still = "Still waiting for the lock file " + lock + ", in place since " +
                              dateText(status.st_mtime) +
                              ".\n  If no run is writing measures, it may be removed by hand.";
    // Patience of 0: the writer names the lock file at once, then waits on.
    LockHolder user([&] { fs::remove(lock); }, "Still waiting");
    MeasureErrorDisplay display(user.stream());
    {
      MeasureLock waiting(lock, display, std::chrono::milliseconds(0));
      ASSERT_TRUE(waiting.acquire()) << c.what;
      EXPECT_TRUE(waiting.release());
    }
    EXPECT_TRUE(user.sawWait()) << c.what;
    EXPECT_EQ(user.finish(),
              tpmMessage(kInUse + lock) + tpmMessage(still) + tpmMessage("File is now available"))
        << c.what;
    EXPECT_FALSE(fs::exists(lock)) << c.what;
  }
}

TEST_F(MeasureWriterTest, TheLockFileNamesItsHolderWhileItIsHeld) {
  MeasureErrorDisplay display(sink_.stream());
  MeasureLock lock(file("ann.2.lck"), display);
  ASSERT_TRUE(lock.acquire());
  EXPECT_EQ(readFile(file("ann.2.lck")), lockFileText(getpid(), lockHostName()));
  // Held: another writer of this process's host may not take it over.
  const int other = open(file("ann.2.lck").c_str(), O_RDONLY);
  ASSERT_GE(other, 0);
  EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0);
  close(other);
  EXPECT_TRUE(lock.release());
  EXPECT_FALSE(fs::exists(file("ann.2.lck")));
  EXPECT_EQ(sink_.text(), "");
}

} // namespace
