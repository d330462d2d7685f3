#include "measures/measure_lock.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "measures/deferred_signals.h"
#include "measures/measure_error_display.h"
#include "measures/measure_file.h"
#include "support/messages.h"
#include "support/run_clock.h"
#include "support/scoped_signal_action.h"
#include "support/unfinished_files.h"

namespace {

/// Pause between two attempts at the lock while another writer holds it.
constexpr long kRetryPauseNanoseconds = 2 * 1000 * 1000;

/// Set by the interrupt handler while a writer waits for the lock.
volatile std::sig_atomic_t breakRequested = 0;

extern "C" void requestBreak(int) {
  breakRequested = 1;
}

/// Catches the interrupt for its lifetime and restores the previous handling.
class InterruptCatcher {
public:
  InterruptCatcher() { breakRequested = 0; }

private:
  ScopedSignalAction action_{SIGINT, requestBreak};
};

void pauseBeforeRetry() {
  struct timespec pause {};
  pause.tv_nsec = kRetryPauseNanoseconds;
  // An interrupt cuts the pause short; the loop then sees the break.
  nanosleep(&pause, nullptr);
}

/// The folder of a path ("." when it has none).
std::string folderOf(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool writeWhole(int descriptor, const std::string &text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t put = ::write(descriptor, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

/// The process id that a lock file's text names, when the text is exactly what
/// a lock of this host made.
pid_t holderOnThisHost(const std::string &text) {
  unsigned long pid = 0;
  if (std::sscanf(text.c_str(), "zeltocov lock: pid %lu", &pid) != 1 || pid == 0 ||
      static_cast<pid_t>(pid) <= 0)
    return 0;
  return text == lockFileText(static_cast<pid_t>(pid), lockHostName()) ? static_cast<pid_t>(pid)
                                                                       : 0;
}

/// Whether a process of this host is gone: it does not exist, or it has ended
/// and only waits for its parent to collect its status (which may never come).
bool processGone(pid_t pid) {
  if (::kill(pid, 0) != 0) return errno == ESRCH;
  const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
  std::FILE *file = std::fopen(stat.c_str(), "re");
  if (!file) return false;
  char line[512] = {};
  const bool read = std::fgets(line, sizeof line, file) != nullptr;
  std::fclose(file);
  // "pid (command) state ...": the command may hold parentheses, the state
  // follows the last one.
  const char *close = read ? std::strrchr(line, ')') : nullptr;
  return close && close[1] == ' ' && (close[2] == 'Z' || close[2] == 'X');
}

} // namespace

std::string lockFileText(pid_t pid, const std::string &host) {
  return "zeltocov lock: pid " + std::to_string(pid) + " host " + host + "\n";
}

std::string lockHostName() {
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return "?";
  return host;
}

MeasureLock::MeasureLock(std::string path, const MeasureErrorDisplay &display,
                         std::chrono::milliseconds patience)
    : path_(std::move(path)), display_(display), patience_(patience) {}

MeasureLock::~MeasureLock() {
  if (descriptor_ < 0) return;
  DeferredSignals deferred;
  forgetUnfinished(unfinished_);
  ::unlink(path_.c_str());
  ::close(descriptor_);
}

MeasureLock::Attempt MeasureLock::tryCreate() {
  // Listed once it is ours (never before: the file may be another writer's), so
  // that a run ending by a signal leaves no lock behind.
  DeferredSignals deferred;
  const std::string text = lockFileText(::getpid(), lockHostName());
  // Where the file system allows it, the lock file is made whole, advisory lock
  // included, before it gets its name: no moment shows an empty lock file.
  int descriptor =
      ::open(folderOf(path_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (descriptor >= 0) {
    const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
    if (::flock(descriptor, LOCK_EX) == 0 && writeWhole(descriptor, text) &&
        ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      descriptor_ = descriptor;
      unfinished_ = listUnfinished(path_.c_str(), UnfinishedKind::File);
      return Attempt::Taken;
    }
    const int error = errno;
    ::close(descriptor);
    if (error == EEXIST) return Attempt::Held;
    // Otherwise (no /proc, a file system without unnamed files) as below.
  }
  descriptor = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      S_IRUSR | S_IWUSR);
  if (descriptor < 0) return errno == EEXIST ? Attempt::Held : Attempt::Failed;
  descriptor_ = descriptor;
  unfinished_ = listUnfinished(path_.c_str(), UnfinishedKind::File);
  // Until its text is written the lock is an empty one, never taken over.
  if (::flock(descriptor, LOCK_EX) == 0) writeWhole(descriptor, text);
  return Attempt::Taken;
}

bool MeasureLock::takeOverIfLeft() {
  const int descriptor = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) return false;
  pid_t holder = 0;
  struct stat held {
  }, named{};
  // The advisory lock is free only when no living writer of this program holds it.
  if (::fstat(descriptor, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
      ::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
    char text[512];
    const ssize_t got = ::pread(descriptor, text, sizeof text, 0);
    if (got > 0) holder = holderOnThisHost(std::string(text, static_cast<std::size_t>(got)));
  }
  bool taken = false;
  // The process must be gone, and the name still the file inspected: removed
  // while its advisory lock is held, so that no other writer removes it too.
  if (holder > 0 && holder != ::getpid() && processGone(holder) &&
      ::lstat(path_.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
      named.st_ino == held.st_ino)
    taken = ::unlink(path_.c_str()) == 0;
  ::close(descriptor);
  if (taken)
    display_.showTpmError(tr("Error",
                             "Lock file %1 was left by process %2, which no longer runs: "
                             "taken over",
                             "%1 is a file name; %2 a process id")
                              .arg(QString::fromLocal8Bit(path_))
                              .arg(static_cast<qlonglong>(holder)));
  return taken;
}

void MeasureLock::showCannotOpen(int error) const {
  display_.showTpmError(tr("Error", "Cannot open file :%1\n", "%1 is a file name")
                            .arg(QString::fromLocal8Bit(path_)) +
                        tr("Error", "Reason is : %1\n", "%1 is a system message")
                            .arg(QString::fromLocal8Bit(std::strerror(error))));
}

bool MeasureLock::acquire() {
  const QString lockName = QString::fromLocal8Bit(path_);
  // Caught from the moment the user is told to break.
  std::optional<InterruptCatcher> catcher;
  std::chrono::steady_clock::time_point waitStart;
  bool told = false;
  for (;;) {
    if (catcher && breakRequested) break;
    const Attempt attempt = tryCreate();
    if (attempt == Attempt::Taken) {
      if (catcher) display_.showTpmError(tr("Error", "File is now available"));
      return true;
    }
    if (attempt == Attempt::Failed) {
      const int error = errno;
      if (error == EINTR) continue;
      showCannotOpen(error);
      return false;
    }
    struct stat held {};
    if (::lstat(path_.c_str(), &held) != 0) continue; // gone meanwhile
    MeasureFile::Opened refused = MeasureFile::Opened::Open;
    if (S_ISLNK(held.st_mode))
      refused = MeasureFile::Opened::Link;
    else if (!S_ISREG(held.st_mode))
      refused = MeasureFile::Opened::NotRegular;
    else if (held.st_uid != ::geteuid())
      refused = MeasureFile::Opened::NotOwned;
    if (refused != MeasureFile::Opened::Open) {
      // No writer of this user made it: waiting would be for ever.
      display_.showTpmError(refusalMessage(refused, path_));
      return false;
    }
    if (takeOverIfLeft()) continue;
    if (!catcher) {
      catcher.emplace();
      display_.showTpmError(tr("Error",
                               "File is currently in use.\n  Please break\n      or wait until "
                               "previous task has finished\n      or remove file: %1",
                               "%1 is a file name")
                                .arg(lockName));
      waitStart = std::chrono::steady_clock::now();
    } else if (!told && std::chrono::steady_clock::now() - waitStart >= patience_) {
      told = true;
      display_.showTpmError(tr("Error",
                               "Still waiting for the lock file %1, in place since %2.\n  If no "
                               "run is writing measures, it may be removed by hand.",
                               "%1 is a file name; %2 a date")
                                .arg(lockName, QString::fromStdString(dateText(held.st_mtime))));
    }
    pauseBeforeRetry();
  }
  catcher.reset();
  display_.showTpmError(tr("Error",
                           "User break.\n  File is still in use.\n  Please wait until previous "
                           "task has finished\n      or remove file: %1")
                            .arg(lockName));
  return false;
}

bool MeasureLock::release() {
  const int descriptor = descriptor_;
  descriptor_ = -1;
  DeferredSignals deferred;
  forgetUnfinished(unfinished_);
  unfinished_ = nullptr;
  // Removed only while it is still this lock's file (not one that another writer
  // made after it was removed by hand), then closed, which frees the advisory lock.
  struct stat held {
  }, named{};
  bool removed = true;
  int error = 0;
  if (::fstat(descriptor, &held) == 0 && ::lstat(path_.c_str(), &named) == 0 &&
      named.st_dev == held.st_dev && named.st_ino == held.st_ino && ::unlink(path_.c_str()) != 0) {
    removed = false;
    error = errno;
  }
  if (::close(descriptor) != 0 && removed) {
    removed = false;
    error = errno;
  }
  if (!removed) {
    display_.showTpmError(tr("Error", "Error unlocking transaction"));
    display_.showSystemError(error);
    return false;
  }
  return true;
}
