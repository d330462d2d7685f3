// The measure database shared by whole runs of zeltocov: several runs writing at
// once, a lock file left by a writer that was killed, and a run interrupted while
// it waits. Every wait is bounded; no check depends on how fast the machine is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <poll.h>
#include <random>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "measure_files.h"
#include "measures/measure_error_display.h"
#include "measures/measure_lock.h"
#include "measures/measure_record.h"
#include "support/messages.h"
#include "test_support.h"

extern char **environ;

namespace fs = std::filesystem;

namespace {

/// Generous bound of one run of zeltocov, however loaded the machine is.
constexpr int kRunLimitSeconds = 120;
constexpr uint32_t kRunTime = 1700000000;

const std::string kFrame = "Corvane Velmora - Test Process Monitor: ";

std::string inUse(const std::string &lock) {
  return kFrame +
         "File is currently in use.\n  Please break\n      or wait until previous task has "
         "finished\n      or remove file: " +
         lock + "\n";
}
const std::string kAvailable = kFrame + "File is now available\n";
/// The warning of a run given no trace file, before its measures.
const std::string kNoTraces = "Corvane Velmora zeltocov - WARNING: No traces in argument list; "
                              "generating report showing all branches\n";
std::string userBreak(const std::string &lock) {
  return kFrame +
         "User break.\n  File is still in use.\n  Please wait until previous task has "
         "finished\n      or remove file: " +
         lock + "\n";
}

/// Numbers of trace files are hexadecimal, least significant digit first.
std::string reversedHex(uint32_t value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.push_back(digits[value & 0xF]);
    value >>= 4;
  } while (value);
  return text;
}

/// A source file of three functions whose key and checksum are both `key`.
std::string fdcText(uint32_t key) {
  return "VE 3.0e T\nFC \"k" + std::to_string(key) +
         ".c\" \"/src\"\nFD 0\nTC PR\n"
         "PR 0 proc \"f0\" 1 2\nPR 1 proc \"f1\" 3 4\nPR 2 proc \"f2\" 5 6\n"
         "DC " +
         std::to_string(0x54000000u ^ key) + " " + std::to_string(key) + "\n";
}

/// The functions of a file that a trace enters: a pattern of three bits.
std::string traceOf(const std::string &test, const std::vector<std::pair<uint32_t, int>> &hits) {
  std::string text = "NT \"" + test + "\"\n";
  for (const auto &[key, pattern] : hits) {
    text += "FT " + reversedHex(key) + "\nDC " + reversedHex(key) + "\n";
    for (int id = 0; id < 3; ++id)
      if (pattern >> id & 1) text += "TP " + reversedHex(id) + "\n";
  }
  return text;
}

/// The coverage measure of a file of three functions of which `hit` were entered.
std::vector<uint32_t> measureOf(int hit) {
  std::vector<uint32_t> values(20, 0);
  values[0] = values[1] = static_cast<uint32_t>(hit);
  values[10] = values[11] = 3;
  return values;
}

/// A run of the built zeltocov in the background.
class BackgroundRun {
public:
  /// Starts zeltocov with `args` in `cwd`; standard error goes to a pipe kept open
  /// for reading. With a `start` pipe the child waits until every writer has
  /// closed it before it begins.
  BackgroundRun(const std::vector<std::string> &args, const std::vector<std::string> &environment,
                const std::string &cwd, const int *start = nullptr, rlim_t fileSizeLimit = 0) {
    int errors[2];
    if (pipe2(errors, O_CLOEXEC) != 0) return;
    std::vector<char *> argv{const_cast<char *>(ZELTOCOV_BINARY)};
    for (const std::string &arg : args)
      argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (const std::string &entry : environment)
      envp.push_back(const_cast<char *>(entry.c_str()));
    envp.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      if (start) {
        close(start[1]);
        char byte;
        while (::read(start[0], &byte, 1) < 0 && errno == EINTR) {
        }
      }
      if (fileSizeLimit > 0) {
        struct rlimit limit {};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = fileSizeLimit;
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(125);
      }
      const int in = open("/dev/null", O_RDONLY), out = open("/dev/null", O_WRONLY);
      if (in < 0 || out < 0 || chdir(cwd.c_str()) != 0) _exit(126);
      dup2(in, 0);
      dup2(out, 1);
      dup2(errors[1], 2);
      close(errors[0]);
      close(errors[1]);
      execve(ZELTOCOV_BINARY, argv.data(), envp.data());
      _exit(127);
    }
    close(errors[1]);
    errors_ = errors[0];
    started_ = std::chrono::steady_clock::now();
  }
  ~BackgroundRun() {
    if (pid_ > 0 && !done_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (errors_ >= 0) close(errors_);
  }
  BackgroundRun(const BackgroundRun &) = delete;
  BackgroundRun &operator=(const BackgroundRun &) = delete;

  bool started() const { return pid_ > 0 && errors_ >= 0; }
  pid_t pid() const { return pid_; }
  /// What the run wrote on standard error so far.
  const std::string &errors() const { return errorText_; }

  /// Reads standard error until `text` has appeared `times` times in it, the run
  /// has closed it, or the run's time is over; whether the text appeared.
  bool waitForMessage(const std::string &text, int times = 1) {
    while (occurrences(text) < times) {
      if (!readSome()) return false;
    }
    return true;
  }
  /// Reads standard error to its end and waits for the exit; the exit status, or
  /// -1 when the run was killed at the end of its time or by a signal (then
  /// `signal` receives the signal, 0 when the time was over).
  int finish(int *signal = nullptr) {
    while (readSome()) {
    }
    int status = 0;
    for (;;) {
      const pid_t done = waitpid(pid_, &status, WNOHANG);
      if (done == pid_) break;
      if (remainingMilliseconds() == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        done_ = true;
        if (signal) *signal = 0;
        return -1;
      }
      struct timespec pause {
        0, 10 * 1000 * 1000
      };
      nanosleep(&pause, nullptr);
    }
    done_ = true;
    if (signal) *signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

private:
  int occurrences(const std::string &text) const {
    int count = 0;
    for (std::size_t at = errorText_.find(text); at != std::string::npos;
         at = errorText_.find(text, at + text.size()))
      ++count;
    return count;
  }
  int remainingMilliseconds() const {
    const auto elapsed = std::chrono::steady_clock::now() - started_;
    const auto left = std::chrono::seconds(kRunLimitSeconds) -
                      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed);
    return std::max<int>(
        0, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(left).count()));
  }
  /// One read from standard error; false at its end or when time is over.
  bool readSome() {
    if (errorsClosed_) return false;
    struct pollfd ready {
      errors_, POLLIN, 0
    };
    const int left = remainingMilliseconds();
    if (left == 0 || poll(&ready, 1, left) <= 0) return false;
    char chunk[4096];
    const ssize_t n = ::read(errors_, chunk, sizeof chunk);
    if (n <= 0) {
      errorsClosed_ = true;
      return false;
    }
    errorText_.append(chunk, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int errors_ = -1;
  bool errorsClosed_ = false;
  bool done_ = false;
  std::string errorText_;
  std::chrono::steady_clock::time_point started_;
};

class SharedDatabaseTest : public ::testing::Test {
protected:
  void SetUp() override {
    setMessageIdentity("Corvane Velmora", "zeltocov");
    fs::create_directories(dir_.path() + "/velmora/lib/locale");
    fs::create_directories(dir_.path() + "/tpm/Coverage");
    fs::create_directories(work());
  }

  std::string work() const { return dir_.path() + "/work"; }
  std::string coverage(const std::string &suffix) const {
    return dir_.path() + "/tpm/Coverage/ann.20" + suffix;
  }
  std::string addSource(uint32_t key) const {
    const std::string name = "k" + std::to_string(key) + ".fdc";
    dir_.write("work/" + name, fdcText(key));
    return name;
  }
  std::vector<std::string> environment(uint32_t date = kRunTime) const {
    std::map<std::string, std::string> env;
    for (char **entry = environ; *entry; ++entry) {
      const std::string text = *entry;
      const std::size_t eq = text.find('=');
      if (eq != std::string::npos) env[text.substr(0, eq)] = text.substr(eq + 1);
    }
    env.erase("ZELTOCOV_LAN");
    env["LANG"] = "C";
    env["VELMORADIR"] = dir_.path() + "/velmora";
    env["ZELTO_TPM_ROOT"] = dir_.path() + "/tpm";
    env["ZELTO_TPM_USER"] = "ann";
    env["SOURCE_DATE_EPOCH"] = std::to_string(date);
    std::vector<std::string> entries;
    for (const auto &[name, value] : env)
      entries.push_back(name + "=" + value);
    return entries;
  }

  TempDir dir_;
};

TEST_F(SharedDatabaseTest, RunsWritingAtOnceLoseNoRecordAndKeepTheTotalsRight) {
  constexpr int kWriters = 8, kRounds = 3, kSharedKeys = 10, kOwnKeys = 3;
  std::vector<uint32_t> shared;
  for (uint32_t key = 1; key <= kSharedKeys; ++key)
    shared.push_back(key);
  // What every run measures: key -> the hit counts written for it, over all runs.
  std::map<uint32_t, std::multiset<int>> expected;
  std::size_t expectedRecords = 0;
  int totalWaits = 0;

  for (int round = 0; round < kRounds; ++round) {
    int start[2];
    ASSERT_EQ(pipe2(start, O_CLOEXEC), 0);
    std::vector<std::unique_ptr<BackgroundRun>> runs;
    for (int writer = 0; writer < kWriters; ++writer) {
      // Shared keys in a different order in each run, then keys of its own.
      std::vector<uint32_t> keys = shared;
      std::rotate(keys.begin(), keys.begin() + writer % kSharedKeys, keys.end());
      for (uint32_t own = 0; own < kOwnKeys; ++own)
        keys.push_back(1000 + 10 * writer + own);
      std::vector<std::string> args;
      std::vector<std::pair<uint32_t, int>> hits;
      for (uint32_t key : keys) {
        args.push_back(addSource(key));
        const int pattern = (writer * 5 + round * 3 + static_cast<int>(key)) % 8;
        hits.emplace_back(key, pattern);
        expected[key].insert(__builtin_popcount(pattern));
        ++expectedRecords;
      }
      const std::string trace = "w" + std::to_string(writer) + ".tio";
      dir_.write("work/" + trace, traceOf("round " + std::to_string(round), hits));
      args.push_back(trace);
      runs.push_back(std::make_unique<BackgroundRun>(args, environment(), work(), start));
      ASSERT_TRUE(runs.back()->started());
    }
    // Every run begins at once.
    close(start[0]);
    close(start[1]);

    for (int writer = 0; writer < kWriters; ++writer) {
      BackgroundRun &run = *runs[writer];
      ASSERT_EQ(run.finish(), 0) << "writer " << writer << ", round " << round << ":\n"
                                 << run.errors();
      // A run may have waited for the lock; it says nothing else.
      std::string rest = run.errors();
      const std::string waiting = inUse(coverage(".lck"));
      int waits = 0;
      for (std::size_t at; (at = rest.find(waiting)) != std::string::npos; ++waits)
        rest.erase(at, waiting.size());
      int availables = 0;
      for (std::size_t at; (at = rest.find(kAvailable)) != std::string::npos; ++availables)
        rest.erase(at, kAvailable.size());
      EXPECT_EQ(rest, "") << "writer " << writer << ", round " << round;
      EXPECT_EQ(waits, availables) << "writer " << writer << ", round " << round;
      totalWaits += waits;
    }

    // Replay the database: every record's totals are the sums of every key's
    // latest values as they stood after it.
    const std::vector<DecodedRecord> records = recordsOf(readFile(coverage(".tpm")), 20);
    ASSERT_EQ(records.size(), expectedRecords) << "round " << round;
    ASSERT_EQ(readFile(coverage(".tpm")).size(), expectedRecords * 168);
    std::map<uint32_t, std::vector<uint32_t>> latest;
    std::map<uint32_t, uint32_t> latestOffset;
    std::map<uint32_t, std::multiset<int>> written;
    for (std::size_t i = 0; i < records.size(); ++i) {
      const DecodedRecord &record = records[i];
      EXPECT_EQ(record.date, kRunTime);
      latest[record.key] = record.values;
      latestOffset[record.key] = static_cast<uint32_t>(168 * i);
      written[record.key].insert(static_cast<int>(record.values[0]));
      EXPECT_EQ(record.values, measureOf(static_cast<int>(record.values[0]))) << "record " << i;
      std::vector<uint32_t> sums(20, 0);
      for (const auto &[key, values] : latest)
        for (int v = 0; v < 20; ++v)
          sums[v] += values[v];
      ASSERT_EQ(record.totals, sums) << "record " << i << ", round " << round;
    }
    EXPECT_EQ(written, expected) << "round " << round;
    // One index entry per key, on its latest record.
    std::map<uint32_t, uint32_t> indexed;
    for (const auto &[key, offset] : indexOf(readFile(coverage(".idx"))))
      EXPECT_TRUE(indexed.emplace(key, offset).second) << "key " << key << " indexed twice";
    EXPECT_EQ(indexed, latestOffset) << "round " << round;
    EXPECT_FALSE(fs::exists(coverage(".lck")));
  }
  // How much the runs met; not checked, since it depends on the machine.
  std::cout << "runs waited for the lock " << totalWaits << " times\n";
}

TEST_F(SharedDatabaseTest, ALockLeftByAKilledWriterIsTakenOver) {
  // A writer that takes the lock and is killed while it holds it.
  int taken[2];
  ASSERT_EQ(pipe2(taken, O_CLOEXEC), 0);
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    MeasureErrorDisplay display;
    MeasureLock lock(coverage(".lck"), display);
    if (!lock.acquire()) _exit(1);
    (void)!::write(taken[1], "x", 1);
    for (;;)
      pause();
  }
  close(taken[1]);
  char byte = 0;
  ASSERT_EQ(::read(taken[0], &byte, 1), 1);
  close(taken[0]);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  ASSERT_TRUE(fs::exists(coverage(".lck")));

  // The next run sees that the holder is gone and goes on at once.
  BackgroundRun run({addSource(1), addSource(2)}, environment(), work());
  ASSERT_TRUE(run.started());
  EXPECT_EQ(run.finish(), 0);
  EXPECT_EQ(run.errors(), kNoTraces + kFrame + "Lock file " + coverage(".lck") +
                              " was left by process " + std::to_string(holder) +
                              ", which no longer runs: taken over\n");
  const std::vector<DecodedRecord> records = recordsOf(readFile(coverage(".tpm")), 20);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].key, 1u);
  EXPECT_EQ(records[1].key, 2u);
  EXPECT_FALSE(fs::exists(coverage(".lck")));
}

TEST_F(SharedDatabaseTest, AMeasureInterruptedWhileWaitingIsNotWrittenAndTheRunGoesOn) {
  dir_.write("tpm/Coverage/ann.20.lck", "");
  BackgroundRun run({addSource(1), addSource(2)}, environment(), work());
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.waitForMessage("File is currently in use")) << run.errors();
  kill(run.pid(), SIGINT);
  // The next file's measure finds the lock file still there and waits in turn.
  ASSERT_TRUE(run.waitForMessage("File is currently in use", 2)) << run.errors();
  EXPECT_FALSE(fs::exists(coverage(".tpm")));
  fs::remove(coverage(".lck"));
  EXPECT_EQ(run.finish(), 0);
  const std::string lock = coverage(".lck");
  EXPECT_EQ(run.errors(), kNoTraces + inUse(lock) + userBreak(lock) + inUse(lock) + kAvailable);
  // Only the second file's measure was written.
  const std::vector<DecodedRecord> records = recordsOf(readFile(coverage(".tpm")), 20);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].key, 2u);
  EXPECT_EQ(indexOf(readFile(coverage(".idx"))),
            (std::vector<std::pair<uint32_t, uint32_t>>{{2, 0}}));
}

/// The messages a run may give after writers were killed: the repairs, the
/// takeover of their lock and the wait for the lock of others. Returns what is
/// left once they are taken out.
std::string withoutRepairs(std::string text, const std::string &lock) {
  for (const std::string &wait : {inUse(lock), kAvailable})
    for (std::size_t at; (at = text.find(wait)) != std::string::npos;)
      text.erase(at, wait.size());
  for (const std::string &start : {kFrame + "Lock file ", kFrame + "Repaired "}) {
    for (std::size_t at; (at = text.find(start)) != std::string::npos;)
      text.erase(at, text.find('\n', at) + 1 - at);
  }
  return text;
}

TEST_F(SharedDatabaseTest, WritersKilledAtRandomMomentsLoseNoCompletedMeasure) {
  constexpr int kWriters = 8, kRounds = 8, kSharedKeys = 6, kOwnKeys = 24;
  // Kill moments are drawn from a fixed seed; what is checked holds whatever
  // moment each kill lands at.
  std::mt19937 random(26);
  // Each run has a date of its own: run date -> (key, hit pattern) in load order.
  std::map<uint32_t, std::vector<std::pair<uint32_t, int>>> plans;
  int killed = 0, finished = 0, partial = 0;
  uint32_t nextDate = kRunTime;

  auto cleanRun = [&](const char *when) {
    // One key, measured by a run that is not killed: it repairs what the killed
    // ones left, then a second run finds nothing to repair.
    for (int pass = 0; pass < 2; ++pass) {
      const uint32_t date = nextDate++;
      plans[date] = {{1, pass + 1}};
      dir_.write("work/clean.tio", traceOf("clean", plans[date]));
      BackgroundRun run({addSource(1), "clean.tio"}, environment(date), work());
      ASSERT_EQ(run.finish(), 0) << when << ":\n" << run.errors();
      if (pass == 0)
        EXPECT_EQ(withoutRepairs(run.errors(), coverage(".lck")), "") << when;
      else
        EXPECT_EQ(run.errors(), "") << when;
    }
  };

  cleanRun("first");
  // Each writer is killed once the database has grown by a number of records
  // drawn at random, from none to every measure of the round: the kills land
  // while measures are written, however fast the machine is.
  std::uniform_int_distribution<int> killAfterRecords(0, kWriters * (kSharedKeys + kOwnKeys));

  for (int round = 0; round < kRounds; ++round) {
    int start[2];
    ASSERT_EQ(pipe2(start, O_CLOEXEC), 0);
    std::vector<std::unique_ptr<BackgroundRun>> runs;
    std::vector<std::pair<int, int>> kills; // (records written, writer)
    std::vector<uint32_t> dates, finishedDates;
    for (int writer = 0; writer < kWriters; ++writer) {
      const uint32_t date = nextDate++;
      dates.push_back(date);
      std::vector<uint32_t> keys;
      for (uint32_t key = 1; key <= kSharedKeys; ++key)
        keys.push_back(key);
      std::rotate(keys.begin(), keys.begin() + writer % kSharedKeys, keys.end());
      for (uint32_t own = 0; own < kOwnKeys; ++own)
        keys.push_back(1000 + 10 * writer + own);
      std::vector<std::string> args;
      for (uint32_t key : keys) {
        args.push_back(addSource(key));
        plans[date].emplace_back(key, (writer * 5 + round * 3 + static_cast<int>(key)) % 8);
      }
      const std::string trace = "k" + std::to_string(writer) + ".tio";
      dir_.write("work/" + trace, traceOf("round " + std::to_string(round), plans[date]));
      args.push_back(trace);
      runs.push_back(std::make_unique<BackgroundRun>(args, environment(date), work(), start));
      ASSERT_TRUE(runs.back()->started());
      kills.emplace_back(killAfterRecords(random), writer);
    }
    std::sort(kills.begin(), kills.end());
    const std::uintmax_t before = fs::file_size(coverage(".tpm"));
    const auto began = std::chrono::steady_clock::now();
    close(start[0]);
    close(start[1]);
    auto ended = [](pid_t pid) {
      siginfo_t info{};
      return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
             info.si_pid == pid;
    };
    for (const auto &[records, writer] : kills) {
      // Until the database has grown that much, or every run has ended, or (on
      // a machine so loaded that it seems stuck) the runs' time is over.
      for (;;) {
        std::error_code error;
        const std::uintmax_t size = fs::file_size(coverage(".tpm"), error);
        if (!error && size >= before + 168u * static_cast<unsigned>(records)) break;
        bool running = false;
        for (const auto &run : runs)
          running = running || !ended(run->pid());
        if (!running || std::chrono::steady_clock::now() - began > std::chrono::seconds(60)) break;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      // Half of the kills go to the writer that holds the lock at that moment.
      pid_t victim = runs[writer]->pid();
      if (writer % 2 == 0) {
        unsigned long holder = 0;
        const std::string lock = readFile(coverage(".lck"));
        if (std::sscanf(lock.c_str(), "zeltocov lock: pid %lu", &holder) == 1)
          for (const auto &run : runs)
            if (run->pid() == static_cast<pid_t>(holder)) victim = run->pid();
      }
      kill(victim, SIGKILL);
    }
    for (int writer = 0; writer < kWriters; ++writer) {
      int signal = 0;
      const int status = runs[writer]->finish(&signal);
      if (status == -1) {
        ASSERT_EQ(signal, SIGKILL) << runs[writer]->errors();
        ++killed;
      } else {
        // A run that ended before its kill wrote every measure.
        ASSERT_EQ(status, 0) << runs[writer]->errors();
        EXPECT_EQ(withoutRepairs(runs[writer]->errors(), coverage(".lck")), "");
        finishedDates.push_back(dates[writer]);
        ++finished;
      }
    }
    cleanRun("after round");

    // Every record is whole, and its totals are the sums of every key's latest
    // values as they stood after it.
    const std::string bytes = readFile(coverage(".tpm"));
    ASSERT_EQ(bytes.size() % 168, 0u) << "round " << round;
    const std::vector<DecodedRecord> records = recordsOf(bytes, 20);
    std::map<uint32_t, std::vector<uint32_t>> latest;
    std::map<uint32_t, uint32_t> latestOffset;
    std::map<uint32_t, std::vector<std::pair<uint32_t, int>>> written;
    for (std::size_t i = 0; i < records.size(); ++i) {
      const DecodedRecord &record = records[i];
      latest[record.key] = record.values;
      latestOffset[record.key] = static_cast<uint32_t>(168 * i);
      written[record.date].emplace_back(record.key, static_cast<int>(record.values[0]));
      std::vector<uint32_t> sums(20, 0);
      for (const auto &[key, values] : latest)
        for (int v = 0; v < 20; ++v)
          sums[v] += values[v];
      ASSERT_EQ(record.totals, sums) << "record " << i << ", round " << round;
    }
    // Each run's records are the first measures of its plan, in its order: a
    // killed run lost at most the measure it was writing, and a run that ended
    // lost none.
    for (const auto &[date, measures] : written) {
      ASSERT_TRUE(plans.count(date)) << "date " << date;
      const std::vector<std::pair<uint32_t, int>> &plan = plans[date];
      ASSERT_LE(measures.size(), plan.size()) << "date " << date;
      for (std::size_t i = 0; i < measures.size(); ++i) {
        EXPECT_EQ(measures[i].first, plan[i].first) << "date " << date << ", measure " << i;
        EXPECT_EQ(measures[i].second, __builtin_popcount(plan[i].second))
            << "date " << date << ", measure " << i;
      }
      if (measures.size() > 0 && measures.size() < plan.size()) ++partial;
    }
    for (uint32_t date : finishedDates)
      EXPECT_EQ(written[date].size(), plans[date].size()) << "finished run of date " << date;
    // One index entry per key, on its latest record.
    std::map<uint32_t, uint32_t> indexed;
    for (const auto &[key, offset] : indexOf(readFile(coverage(".idx"))))
      EXPECT_TRUE(indexed.emplace(key, offset).second) << "key " << key << " indexed twice";
    EXPECT_EQ(indexed, latestOffset) << "round " << round;
    EXPECT_FALSE(fs::exists(coverage(".lck")));
    EXPECT_FALSE(fs::exists(coverage(".idx.new")));
  }
  // How the kills landed; not checked, since it depends on the machine.
  std::cout << killed << " runs killed (" << partial << " in the middle of their measures), "
            << finished << " finished\n";
}

TEST_F(SharedDatabaseTest, ARunTimeBeyondWhatTheDatabaseHoldsDrawsTheWarningAndTheClockIsUsed) {
  dir_.write("work/m.tio", traceOf("t", {{1, 1}}));
  for (const char *epoch : {"4294967301", "67768036191676800", "4294967296"}) {
    std::vector<std::string> env = environment();
    for (std::string &entry : env)
      if (entry.rfind("SOURCE_DATE_EPOCH=", 0) == 0)
        entry = std::string("SOURCE_DATE_EPOCH=") + epoch;
    fs::remove(coverage(".tpm"));
    fs::remove(coverage(".idx"));
    const std::time_t before = std::time(nullptr);
    BackgroundRun run({addSource(1), "m.tio"}, env, work());
    ASSERT_EQ(run.finish(), 0) << run.errors();
    const std::time_t after = std::time(nullptr);
    EXPECT_EQ(run.errors(),
              std::string("Corvane Velmora zeltocov - WARNING: SOURCE_DATE_EPOCH is not "
                          "a number of seconds: ") +
                  epoch + "; the current time is used\n");
    const std::vector<DecodedRecord> records = recordsOf(readFile(coverage(".tpm")), 20);
    ASSERT_EQ(records.size(), 1u) << epoch;
    EXPECT_GE(records[0].date, static_cast<uint32_t>(before)) << epoch;
    EXPECT_LE(records[0].date, static_cast<uint32_t>(after)) << epoch;
  }
  // The last second a database date holds is taken as it is.
  std::vector<std::string> env = environment();
  for (std::string &entry : env)
    if (entry.rfind("SOURCE_DATE_EPOCH=", 0) == 0) entry = "SOURCE_DATE_EPOCH=4294967295";
  BackgroundRun run({addSource(1), "m.tio"}, env, work());
  ASSERT_EQ(run.finish(), 0) << run.errors();
  EXPECT_EQ(run.errors(), "");
  EXPECT_EQ(recordsOf(readFile(coverage(".tpm")), 20).back().date, 4294967295u);
}

TEST_F(SharedDatabaseTest, AFullDiskLeavesTheDatabaseAsItWasAndLaterRunsGoOn) {
  dir_.write("work/m.tio", traceOf("t", {{1, 1}, {2, 3}}));
  const std::vector<std::string> args{addSource(1), addSource(2), "m.tio"};
  BackgroundRun first(args, environment(kRunTime), work());
  ASSERT_EQ(first.finish(), 0) << first.errors();
  const std::string database = readFile(coverage(".tpm")), index = readFile(coverage(".idx"));
  ASSERT_EQ(database.size(), 2u * 168u);

  // Room for part of a record only: both measures fail, and what was written of
  // them is cut off again.
  BackgroundRun full(args, environment(kRunTime + 1), work(), nullptr, database.size() + 100);
  ASSERT_EQ(full.finish(), 0) << full.errors();
  EXPECT_EQ(full.errors(), kFrame + "Unable to update DataBase file\n" + kFrame +
                               "Unable to update DataBase file\n");
  EXPECT_EQ(readFile(coverage(".tpm")), database);
  EXPECT_EQ(readFile(coverage(".idx")), index);
  EXPECT_FALSE(fs::exists(coverage(".lck")));

  // Once there is room again, the next run writes both, with nothing to repair.
  BackgroundRun next(args, environment(kRunTime + 2), work());
  ASSERT_EQ(next.finish(), 0) << next.errors();
  EXPECT_EQ(next.errors(), "");
  const std::vector<DecodedRecord> records = recordsOf(readFile(coverage(".tpm")), 20);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[3].totals, records[1].totals);
  EXPECT_EQ(indexOf(readFile(coverage(".idx"))),
            (std::vector<std::pair<uint32_t, uint32_t>>{{1, 2 * 168}, {2, 3 * 168}}));
}

} // namespace
