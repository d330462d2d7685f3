// The files that a run has begun but not finished: the temporary files of its
// outputs, their temporary folders and the measure database's lock. A signal that
// ends the run (SIGTERM, SIGHUP, SIGINT) removes them all, so that every target
// keeps its old content, then ends the process by that same signal.
#pragma once

/// Where one unfinished file or folder is listed; removing it needs no memory.
class UnfinishedEntry;

/// What an entry names.
enum class UnfinishedKind { File, Folder };

/// Lists `path` (copied) as unfinished: a signal that ends the run removes it
/// (a folder after the files, which must be listed too). Returns its entry.
UnfinishedEntry *listUnfinished(const char *path, UnfinishedKind kind);
/// Takes the entry out of the list (null: nothing); the file itself is left.
void forgetUnfinished(UnfinishedEntry *entry);

/// Removes every listed file, then every listed folder, with calls that are safe
/// in a signal handler. The list stays as it is.
void removeUnfinished();

/// Installs the handlers of SIGTERM, SIGHUP and SIGINT that remove the unfinished
/// files and end the process by the same signal, with its default action.
/// A handler installed later for a while (the wait for the measure database's
/// lock catches SIGINT) takes precedence during that while.
void installInterruptCleanup();

/// Blocks those signals in the calling thread: a thread started by the run calls
/// it first, so that the handlers run on the main thread.
void blockEndingSignals();
