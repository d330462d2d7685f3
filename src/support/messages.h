// Diagnostics: five levels, each framed with the product and executable names and
// written to standard error. Fatal ends the process with status 7, internal with 9.
#pragma once

#include <QString>

/// Exit status of a fatal error.
constexpr int kExitFatal = 7;
/// Exit status of an internal error (also an access violation).
constexpr int kExitInternal = 9;

/// Translates a source text in a context (with an optional translator comment).
/// Placeholders are filled afterwards by the caller, all at once with the
/// multi-argument QString::arg, so a substituted text holding %1 is never
/// substituted again.
QString tr(const char *context, const char *text, const char *comment = nullptr);

/// Replaces the product and executable names of every later message; the first
/// call also installs the crash handler.
void setMessageIdentity(const QString &product, const QString &executable);
/// The product name of the message frames.
QString productName();

[[noreturn]] void reportFatal(const QString &message);

/// What ends the process after a fatal or internal error, given its status; it
/// must not return. The default is exit(); a fuzzing harness replaces it so that a
/// fatal error ends one input, not the whole process.
using ExitHandler = void (*)(int status);
/// Replaces the exit after fatal and internal errors (null restores exit()).
void setExitHandler(ExitHandler handler);
/// Output that the program holds in memory (not a stream's own buffer, which
/// exit() flushes) and that must reach its file when a fatal or internal error
/// ends the process: what was written before the error stays written.
class HeldOutput {
public:
  /// Writes what is held to its stream; called once, as the process ends.
  virtual void writeHeld() = 0;

protected:
  ~HeldOutput() = default;
};
/// Makes `output` (null: none) the output written before a fatal or internal
/// error ends the process; returns the one it replaces.
HeldOutput *setHeldOutput(HeldOutput *output);
/// Internal error; with a source file name a "[file:line]" location line follows.
[[noreturn]] void reportInternal(const QString &message, const char *sourceFile = nullptr,
                                 int line = 0);
void reportError(const QString &message);
/// How many messages of the error level were reported so far in this process.
unsigned errorsReported();
/// Records that an input of the run was left out (a file that cannot be read),
/// whatever the level of the message that said so.
void noteInputDropped();
/// How many inputs were left out so far in this process.
unsigned inputsDropped();
void reportWarning(const QString &message);
void reportInfo(const QString &message);

/// Writes a text to standard error in the local 8-bit encoding, as plain text.
void writeToStderr(const QString &text);
