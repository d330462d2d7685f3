// Output streams whose failures are never silent: a write that did not reach the
// file ends the run.
#pragma once

#include <QString>
#include <cstdio>

/// Flushes and closes an output file (standard output is flushed, not closed);
/// when any write to it failed, ends the run with the fatal "Cannot write file
/// %1: %2" naming `name` and the system's reason. What reached the file stays.
void closeOutput(std::FILE *stream, const QString &name);

/// Flushes, with `sync` syncs to disk, and closes an output file (standard output
/// and error are flushed, not closed); false (with the system's reason in
/// `reason`) when any write to it failed.
bool closeOutputChecked(std::FILE *stream, QString *reason, bool sync = false);

/// The system's text for an error number (that of EIO for 0).
QString systemReason(int error);
/// Ends the run with the fatal "Cannot write file %1: %2" naming the output file
/// `name` and the system's reason.
[[noreturn]] void reportCannotWrite(const QString &name, const QString &reason);
