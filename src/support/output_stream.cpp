#include "support/output_stream.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "support/messages.h"

QString systemReason(int error) {
  return QString::fromLocal8Bit(std::strerror(error ? error : EIO));
}

bool closeOutputChecked(std::FILE *stream, QString *reason, bool sync) {
  errno = 0;
  bool failed = std::fflush(stream) != 0;
  int error = errno;
  failed = failed || std::ferror(stream) != 0;
  if (!failed && sync && ::fsync(fileno(stream)) != 0) {
    failed = true;
    error = errno;
  }
  if (stream == stdout || stream == stderr) {
    std::clearerr(stream);
  } else {
    errno = 0;
    if (std::fclose(stream) != 0) {
      if (!failed) error = errno;
      failed = true;
    }
  }
  if (failed && reason) *reason = systemReason(error);
  return !failed;
}

void reportCannotWrite(const QString &name, const QString &reason) {
  reportFatal(tr("Fatal Error", "Cannot write file %1: %2",
                 "%1 is the name of an output file, %2 the reason given by the system")
                  .arg(name, reason));
}

void closeOutput(std::FILE *stream, const QString &name) {
  QString reason;
  if (!closeOutputChecked(stream, &reason)) reportCannotWrite(name, reason);
}
