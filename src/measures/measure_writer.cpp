#include "measures/measure_writer.h"

#include <sys/stat.h>

#include "measures/measure_database.h"
#include "measures/measure_lock.h"
#include "measures/measure_paths.h"
#include "support/host_services.h"
#include "support/messages.h"

MeasureWriter::MeasureWriter(std::time_t now, std::FILE *errors) : now_(now), display_(errors) {}

int MeasureWriter::writeTpmMeasure(const char *measureName, uint32_t key, uint32_t date,
                                   const std::vector<uint32_t> &values) {
  const std::optional<std::string> root = getEnv("ZELTO_TPM_ROOT");
  if (!root) {
    display_.showTpmError(tr("Error", "ZELTO_TPM_ROOT is not set!",
                             "ZELTO_TPM_ROOT is an environment variable name"));
    return 1;
  }
  struct stat status;
  if (::stat(root->c_str(), &status) != 0) {
    display_.showTpmError(
        tr("Error", "ZELTO_TPM_ROOT directory does not exist: %1", "%1 is a directory name")
            .arg(QString::fromLocal8Bit(*root)));
    return 1;
  }
  if (date == 0) date = static_cast<uint32_t>(now_);
  const std::optional<std::string> user = measureUserName();
  if (!user) {
    display_.showTpmError(tr("Error", "Unable to get User name\n"));
    return 1;
  }
  if (values.size() >= kMaxMeasureSubValues) {
    display_.showTpmError(tr("Error", "Too many measure sub values"));
    return 1;
  }

  const MeasurePaths paths =
      measurePaths(*root, measureName, *user, static_cast<unsigned>(values.size()));
  MeasureLock lock(paths.lock, display_);
  if (!lock.acquire()) return 1;
  const bool appended = MeasureDatabase(paths, display_).append(key, date, values);
  if (!lock.release()) return 1;
  return appended ? 0 : 1;
}
