// The message service: frames a finished message text with the product and
// executable names, writes it to standard error, and ends the process for the
// fatal and internal levels.
#include "support/messages.h"

#include "support/emergency_texts.h"
#include "support/host_services.h"
#include "support/output_file.h"
#include "support/unfinished_files.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <utility>

namespace {

/// The names every message frame carries, with the texts kept ready for the
/// paths that cannot allocate, and the counts of errors and dropped inputs.
struct MessageIdentity {
  /// Product name, the first word group of every frame.
  QString product = QStringLiteral("Velmora");
  /// Executable name, after the product name.
  QString executable = QStringLiteral("<unnamed binary>");
  /// Whether the crash handler has been installed.
  bool crashHandlerInstalled = false;
  /// Encoded crash text for the current identity.
  QByteArray crashText;
  /// Encoded "No memory left" text for the current identity.
  QByteArray noMemoryText;
  /// Messages of the error level reported so far.
  unsigned errors = 0;
  /// Inputs left out so far.
  unsigned droppedInputs = 0;
};

enum class Level { Fatal, Internal, Error, Warning, Info };

QString frameFormat(Level level) {
  switch (level) {
  case Level::Fatal:
    return tr("Display Message", "%1 %2 - FATAL ERROR: %3\n",
              "Used for fatal error message\n%1: product name\n%2: executable name\n%3: "
              "message to display");
  case Level::Internal:
    return tr("Display Message", "%1 %2 - INTERNAL ERROR: %3\n",
              "Used for internal error message\n%1: product name\n%2: executable name\n%3: "
              "message to display");
  case Level::Error:
    return tr("Display Message", "%1 %2 - ERROR: %3\n",
              "Used for user errors messages\n%1: product name\n%2: executable name\n%3: "
              "message to display");
  case Level::Warning:
    return tr("Display Message", "%1 %2 - WARNING: %3\n",
              "Used for warning messages\n%1: product name\n%2: executable name\n%3: message");
  case Level::Info:
    break;
  }
  return tr("Display Message", "%1 %2 - INFO: %3\n",
            "Used for information messages%1:product name\n%2: executable name\n%3: message to "
            "print");
}

QString framed(const MessageIdentity &names, Level level, const QString &message) {
  return frameFormat(level).arg(names.product, names.executable, message);
}

/// Frames and encodes, for the names of `names`, the texts of the paths that
/// cannot allocate.
void prepareEmergencyTexts(MessageIdentity &names) {
  names.crashText =
      (framed(names, Level::Internal, tr("Internal Error", "Please, contact your support")) +
       QStringLiteral("\n"))
          .toLocal8Bit();
  names.noMemoryText =
      framed(names, Level::Fatal,
             tr("Fatal Error", "No memory left", "program failed on memory allocation"))
          .toLocal8Bit();
}

MessageIdentity &identity() {
  static MessageIdentity instance = [] {
    MessageIdentity initial;
    prepareEmergencyTexts(initial);
    return initial;
  }();
  return instance;
}

QString framed(Level level, const QString &message) {
  return framed(identity(), level, message);
}

} // namespace

QString tr(const char *context, const char *text, const char *comment) {
  return QCoreApplication::translate(context, text, comment);
}

void setMessageIdentity(const QString &product, const QString &executable) {
  MessageIdentity &names = identity();
  names.product = product;
  names.executable = executable;
  prepareEmergencyTexts(names);
  if (!names.crashHandlerInstalled) {
    names.crashHandlerInstalled = true;
    installCrashHandler();
  }
}

QString productName() {
  return identity().product;
}

void writeToStderr(const QString &text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
  std::fflush(stderr);
}

namespace {

ExitHandler exitHandler = nullptr;
HeldOutput *heldOutput = nullptr;

[[noreturn]] void endProcess(int status) {
  // Taken first: a failure to write it ends the process without coming back here.
  if (HeldOutput *held = std::exchange(heldOutput, nullptr)) held->writeHeld();
  // A fatal error leaves what was written in the outputs that keep it; an
  // internal error leaves every target as it was.
  if (status == kExitFatal)
    OutputFile::settleAllOnFatal();
  else
    OutputFile::abandonAll();
  // What is left unfinished (a new folder, a lock) goes too.
  removeUnfinished();
  if (exitHandler) exitHandler(status);
  std::exit(status);
}

} // namespace

void setExitHandler(ExitHandler handler) {
  exitHandler = handler;
}

HeldOutput *setHeldOutput(HeldOutput *output) {
  return std::exchange(heldOutput, output);
}

void reportFatal(const QString &message) {
  writeToStderr(framed(Level::Fatal, message));
  endProcess(kExitFatal);
}

void reportInternal(const QString &message, const char *sourceFile, int line) {
  QString text = framed(Level::Internal, message);
  if (sourceFile)
    text +=
        QStringLiteral("[%1:%2]\n").arg(QString::fromLocal8Bit(sourceFile), QString::number(line));
  else
    text += QStringLiteral("\n");
  writeToStderr(text);
  endProcess(kExitInternal);
}

void reportError(const QString &message) {
  ++identity().errors;
  writeToStderr(framed(Level::Error, message));
}

unsigned errorsReported() {
  return identity().errors;
}

void noteInputDropped() {
  ++identity().droppedInputs;
}

unsigned inputsDropped() {
  return identity().droppedInputs;
}

void reportWarning(const QString &message) {
  writeToStderr(framed(Level::Warning, message));
}

void reportInfo(const QString &message) {
  writeToStderr(framed(Level::Info, message));
}

EmergencyTexts emergencyTexts() {
  const MessageIdentity &names = identity();
  return {names.crashText.constData(), static_cast<std::size_t>(names.crashText.size()),
          names.noMemoryText.constData(), static_cast<std::size_t>(names.noMemoryText.size())};
}

void writeRawToStderr(const char *bytes, std::size_t length) {
  while (length > 0) {
    const ssize_t written = ::write(STDERR_FILENO, bytes, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes += written;
    length -= static_cast<std::size_t>(written);
  }
}
