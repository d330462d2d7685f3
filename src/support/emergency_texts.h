// Messages that must be written when nothing may be allocated any more: the
// internal error of a crash and the fatal "No memory left". They are framed and
// encoded whenever the message identity changes.
#pragma once

#include <cstddef>

/// Framed, encoded texts kept ready for the crash and out-of-memory paths.
struct EmergencyTexts {
  /// Internal-error frame of "Please, contact your support", followed by "\n".
  const char *crash;
  /// Bytes of crash.
  std::size_t crashLength;
  /// Fatal frame of "No memory left".
  const char *noMemory;
  /// Bytes of noMemory.
  std::size_t noMemoryLength;
};

/// The texts prepared for the current identity (never null pointers).
EmergencyTexts emergencyTexts();

/// Writes raw bytes to standard error with the system call, without stdio and
/// without allocating; usable from a signal handler.
void writeRawToStderr(const char *bytes, std::size_t length);

/// Ends the run with the fatal "No memory left" (status 7). A second failure while
/// the message is being produced writes the prepared text and ends at once.
[[noreturn]] void reportNoMemory();
