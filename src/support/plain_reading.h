// The switch of the plain reading, for triage on a user's machine: with
// ZELTOCOV_SCAN=plain the trace files are read the simplest way, their hit lines
// byte by byte (no vector instructions) and every file on the reading thread
// itself (no thread reading ahead). A run reads the same either way; a fault or a
// difference that goes away with the switch lies in the faster ways.
#pragma once

/// The environment variable of the switch, and the value that sets it.
constexpr const char *kPlainReadingVariable = "ZELTOCOV_SCAN";
constexpr const char *kPlainReadingValue = "plain";

/// Whether a value of the variable (null: not set) asks for the plain reading:
/// only "plain" does; any other value is ignored.
bool asksPlainReading(const char *value);

/// Whether this process reads the plain way (the variable is read once).
bool plainReadingForced();
