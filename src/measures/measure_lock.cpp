#include "measures/measure_lock.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "measures/measure_error_display.h"
#include "support/messages.h"
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
  InterruptCatcher() {
    breakRequested = 0;
    struct sigaction action {};
    action.sa_handler = requestBreak;
    sigemptyset(&action.sa_mask);
    installed_ = sigaction(SIGINT, &action, &previous_) == 0;
  }
  ~InterruptCatcher() {
    if (installed_) sigaction(SIGINT, &previous_, nullptr);
  }
  InterruptCatcher(const InterruptCatcher &) = delete;
  InterruptCatcher &operator=(const InterruptCatcher &) = delete;

private:
  struct sigaction previous_ {};
  bool installed_ = false;
};

void pauseBeforeRetry() {
  struct timespec pause {};
  pause.tv_nsec = kRetryPauseNanoseconds;
  // An interrupt cuts the pause short; the loop then sees the break.
  nanosleep(&pause, nullptr);
}

} // namespace

MeasureLock::MeasureLock(std::string path, const MeasureErrorDisplay &display)
    : path_(std::move(path)), display_(display) {}

MeasureLock::~MeasureLock() {
  if (descriptor_ < 0) return;
  ::close(descriptor_);
  ::unlink(path_.c_str());
  forgetUnfinished(unfinished_);
}

int MeasureLock::tryCreate() {
  const int descriptor =
      ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  // Listed once it is ours (never before: the file may be another writer's), so
  // that a run ending by a signal or a fatal error leaves no lock behind.
  if (descriptor >= 0) unfinished_ = listUnfinished(path_.c_str(), UnfinishedKind::File);
  return descriptor;
}

void MeasureLock::showCannotOpen(int error) const {
  display_.showTpmError(tr("Error", "Cannot open file :%1\n", "%1 is a file name")
                            .arg(QString::fromLocal8Bit(path_)) +
                        tr("Error", "Reason is : %1\n", "%1 is a system message")
                            .arg(QString::fromLocal8Bit(std::strerror(error))));
}

bool MeasureLock::acquire() {
  descriptor_ = tryCreate();
  if (descriptor_ >= 0) return true;
  if (errno != EEXIST) {
    showCannotOpen(errno);
    return false;
  }

  const QString lockName = QString::fromLocal8Bit(path_);
  int failure = 0;
  {
    // Caught from the moment the user is told to break.
    InterruptCatcher catcher;
    display_.showTpmError(tr("Error",
                             "File is currently in use.\n  Please break\n      or wait until "
                             "previous task has finished\n      or remove file: %1",
                             "%1 is a file name")
                              .arg(lockName));
    while (!breakRequested) {
      pauseBeforeRetry();
      descriptor_ = tryCreate();
      if (descriptor_ >= 0) break;
      // A failure other than the file being there will not pass by waiting.
      if (errno != EEXIST && errno != EINTR) {
        failure = errno;
        break;
      }
    }
  }
  if (descriptor_ >= 0) {
    display_.showTpmError(tr("Error", "File is now available"));
    return true;
  }
  if (failure) {
    showCannotOpen(failure);
    return false;
  }
  display_.showTpmError(tr("Error",
                           "User break.\n  File is still in use.\n  Please wait until previous "
                           "task has finished\n      or remove file: %1")
                            .arg(lockName));
  return false;
}

bool MeasureLock::release() {
  const int descriptor = descriptor_;
  descriptor_ = -1;
  forgetUnfinished(unfinished_);
  unfinished_ = nullptr;
  if (::close(descriptor) != 0 || ::unlink(path_.c_str()) != 0) {
    const int error = errno;
    display_.showTpmError(tr("Error", "Error unlocking transaction"));
    display_.showSystemError(error);
    return false;
  }
  return true;
}
