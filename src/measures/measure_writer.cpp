#include "measures/measure_writer.h"

#include <csignal>
#include <memory>
#include <sys/stat.h>

#include "measures/measure_database.h"
#include "measures/measure_lock.h"
#include "measures/measure_paths.h"
#include "support/host_services.h"
#include "support/messages.h"
#include "support/scoped_signal_action.h"

/// A pair of files held under its lock from the first measure that goes to it to
/// the last.
class MeasureWriter::Session {
public:
  Session(MeasurePaths paths, std::size_t count, const MeasureErrorDisplay &display)
      : paths_(std::move(paths)), lock_(paths_.lock, display), database_(paths_, count, display) {}
  Session(const Session &) = delete;
  Session &operator=(const Session &) = delete;

  const MeasurePaths &paths() const { return paths_; }
  bool open() {
    if (!lock_.acquire()) return false;
    locked_ = true;
    if (database_.open()) return true;
    database_.close();
    lock_.release();
    locked_ = false;
    return false;
  }
  bool append(uint32_t key, uint32_t date, const std::vector<uint32_t> &values) {
    return database_.append(key, date, values);
  }
  /// Closes the files and releases the lock; false after showing a failure.
  bool close() {
    if (!locked_) return true;
    locked_ = false;
    const bool closed = database_.close();
    return lock_.release() && closed;
  }

private:
  MeasurePaths paths_;
  MeasureLock lock_;
  MeasureDatabase database_;
  bool locked_ = false;
  /// A file size limit (ulimit -f) makes a write fail, which is undone, instead
  /// of ending the run with the database half written.
  ScopedSignalAction sizeLimitIgnored_{SIGXFSZ, SIG_IGN};
};

MeasureWriter::MeasureWriter(std::optional<std::string> root, std::time_t now, std::FILE *errors)
    : root_(std::move(root)), now_(now), display_(errors) {}

int MeasureWriter::writeTpmMeasure(const char *measureName, uint32_t key, uint32_t date,
                                   const std::vector<uint32_t> &values) {
  return writeTpmMeasures(measureName, {Measure{key, date, values}}) == 0 ? 0 : 1;
}

std::size_t MeasureWriter::writeTpmMeasures(const char *measureName,
                                            const std::vector<Measure> &measures) {
  std::size_t failed = 0;
  std::unique_ptr<Session> session;
  auto endSession = [&] {
    if (session && !session->close()) ++failed;
    session.reset();
  };
  for (const Measure &measure : measures) {
    const std::optional<std::string> &root = root_;
    if (!root) {
      display_.showTpmError(tr("Error", "ZELTO_TPM_ROOT is not set!",
                               "ZELTO_TPM_ROOT is an environment variable name"));
      ++failed;
      continue;
    }
    struct stat status;
    if (::stat(root->c_str(), &status) != 0) {
      display_.showTpmError(
          tr("Error", "ZELTO_TPM_ROOT directory does not exist: %1", "%1 is a directory name")
              .arg(QString::fromLocal8Bit(*root)));
      ++failed;
      continue;
    }
    const uint32_t date = measure.date == 0 ? static_cast<uint32_t>(now_) : measure.date;
    const std::optional<std::string> user = measureUserName();
    if (!user) {
      display_.showTpmError(tr("Error", "Unable to get User name\n"));
      ++failed;
      continue;
    }
    if (measure.values.size() >= kMaxMeasureSubValues) {
      display_.showTpmError(tr("Error", "Too many measure sub values"));
      ++failed;
      continue;
    }

    MeasurePaths paths =
        measurePaths(*root, measureName, *user, static_cast<unsigned>(measure.values.size()));
    if (session && session->paths().base != paths.base) endSession();
    if (!session) {
      session = std::make_unique<Session>(std::move(paths), measure.values.size(), display_);
      if (!session->open()) {
        session.reset();
        ++failed;
        continue;
      }
    }
    if (!session->append(measure.key, date, measure.values)) ++failed;
  }
  endSession();
  return failed;
}
