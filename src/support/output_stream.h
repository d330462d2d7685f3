// Output streams whose failures are never silent: a write that did not reach the
// file ends the run.
#pragma once

#include <QString>
#include <cstdio>

/// Flushes and closes an output file (standard output is flushed, not closed);
/// when any write to it failed, ends the run with the fatal "Cannot write file
/// %1: %2" naming `name` and the system's reason. What reached the file stays.
void closeOutput(std::FILE *stream, const QString &name);

/// Flushes and closes an output file; false (with the system's reason in
/// `reason`) when any write to it failed. For outputs whose failure is not fatal.
bool closeOutputChecked(std::FILE *stream, QString *reason);
