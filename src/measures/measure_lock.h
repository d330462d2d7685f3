// The lock file of a measure's pair of files: its exclusive creation is the only
// mutual exclusion between the processes that write one database.
#pragma once

#include <string>

class MeasureErrorDisplay;
class UnfinishedEntry;

/// The lock of one pair of files, taken by creating the lock file and released
/// by removing it.
class MeasureLock {
public:
  MeasureLock(std::string path, const MeasureErrorDisplay &display);
  /// Releases a lock still held, without messages.
  ~MeasureLock();
  MeasureLock(const MeasureLock &) = delete;
  MeasureLock &operator=(const MeasureLock &) = delete;

  /// Creates the lock file. When another writer holds it, says so and waits until
  /// the file is gone, or until the user breaks with Ctrl-C (the interrupt is
  /// caught only during the wait). False after showing why the lock was not taken.
  bool acquire();
  /// Closes and removes the lock file; false after showing the failure (the lock
  /// file then stays).
  bool release();

private:
  /// One attempt at the exclusive creation; the descriptor or -1 with errno set.
  int tryCreate();
  void showCannotOpen(int error) const;

  std::string path_;
  const MeasureErrorDisplay &display_;
  int descriptor_ = -1;
  /// The lock file as listed for removal when the run ends by a signal.
  UnfinishedEntry *unfinished_ = nullptr;
};
