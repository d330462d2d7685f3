#include "support/output_stream.h"

#include <cerrno>
#include <cstring>

#include "support/messages.h"

bool closeOutputChecked(std::FILE *stream, QString *reason) {
  errno = 0;
  bool failed = std::fflush(stream) != 0;
  int error = errno;
  failed = failed || std::ferror(stream) != 0;
  if (stream == stdout || stream == stderr) {
    std::clearerr(stream);
  } else {
    errno = 0;
    if (std::fclose(stream) != 0) {
      if (!failed) error = errno;
      failed = true;
    }
  }
  if (failed && reason) *reason = QString::fromLocal8Bit(std::strerror(error ? error : EIO));
  return !failed;
}

void closeOutput(std::FILE *stream, const QString &name) {
  QString reason;
  if (!closeOutputChecked(stream, &reason))
    reportFatal(tr("Fatal Error", "Cannot write file %1: %2",
                   "%1 is the name of an output file, %2 the reason given by the system")
                    .arg(name, reason));
}
