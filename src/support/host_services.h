// Process-wide services: allocation that never fails, environment, report language
// and the crash handler.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

/// A zero-filled block; ends the run with the fatal "No memory left" on failure.
void *safeAlloc(std::size_t size);
/// Resizes a block (none behaves as safeAlloc); never returns on failure.
void *safeRealloc(void *block, std::size_t size);
void freeIfSet(void *block);
/// The ASCII upper case of a character: a to z become A to Z, any other byte stays.
constexpr char upperAsciiChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
/// A safeAlloc'ed copy with ASCII a-z turned into A-Z.
char *upperDup(const char *text);
/// The upper-cased copy as a std::string (same rule as upperDup).
std::string upperAscii(const std::string &text);
/// The value of an environment variable, or none when undefined.
std::optional<std::string> getEnv(const char *name);

/// Report language chosen by ZELTOCOV_LAN; its value is the column of the report
/// label table.
enum ReportLanguage : int { English = 0, French = 1 };
/// The language of ZELTOCOV_LAN; warns once per call on a bad value.
ReportLanguage reportLanguage();

/// Routes SIGSEGV (and SIGBUS) to the internal error "Please, contact your support";
/// also installs the C++ new-handler that reports "No memory left".
void installCrashHandler();
