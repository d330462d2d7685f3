// The lock file of a measure's pair of files: its exclusive creation is the only
// mutual exclusion between the processes that write one database.
//
// The lock file names its holder ("zeltocov lock: pid P host H") and the holder
// keeps an advisory lock (flock) on it while it lives. A lock file whose holder is
// provably gone (the advisory lock is free, the file names a process of this host
// that no longer exists) is taken over; any other lock file (an empty one, as older
// runs and other writers leave) is waited for.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>

class MeasureErrorDisplay;
class UnfinishedEntry;

/// The lock of one pair of files, taken by creating the lock file and released
/// by removing it.
class MeasureLock {
public:
  /// How long a run waits for a lock file before it says, once, that it may be
  /// removed by hand.
  static constexpr std::chrono::milliseconds kDefaultPatience{10000};

  MeasureLock(std::string path, const MeasureErrorDisplay &display,
              std::chrono::milliseconds patience = kDefaultPatience);
  /// Releases a lock still held, without messages.
  ~MeasureLock();
  MeasureLock(const MeasureLock &) = delete;
  MeasureLock &operator=(const MeasureLock &) = delete;

  /// Creates the lock file. A lock file left by a holder that is provably gone
  /// is taken over, with a warning. When another writer holds it, says so and
  /// waits until the file is gone, or until the user breaks with Ctrl-C (the
  /// interrupt is caught only during the wait); after `patience` it says once
  /// since when the file is there and that it may be removed by hand. A lock
  /// path that is a link, not a regular file or another user's is refused. False
  /// after showing why the lock was not taken.
  bool acquire();
  /// Removes the lock file and closes it; false after showing the failure (the
  /// lock file then stays).
  bool release();

private:
  enum class Attempt { Taken, Held, Failed };
  /// One attempt at the exclusive creation of a lock file that already names
  /// its holder; on Failed, errno says why.
  Attempt tryCreate();
  /// Removes the lock file when it is provably left by a holder that is gone,
  /// and says so; whether it did.
  bool takeOverIfLeft();
  void showCannotOpen(int error) const;

  std::string path_;
  const MeasureErrorDisplay &display_;
  std::chrono::milliseconds patience_;
  int descriptor_ = -1;
  /// The lock file as listed for removal when the run ends by a signal.
  UnfinishedEntry *unfinished_ = nullptr;
};

/// What a lock file made by process `pid` on host `host` holds.
std::string lockFileText(pid_t pid, const std::string &host);
/// The name of this host, as lock files give it.
std::string lockHostName();
