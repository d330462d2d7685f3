// The one writer of every output file: a regular file is written whole or not at
// all. It is written into a new hidden file in the target's own folder, then
// flushed, synced and renamed over the target; until then the target keeps its
// old content. A target that is not a regular file (/dev/null, a pipe, a
// terminal) is written directly.
//
// When a fatal error ends the run, each output still open is settled as it asked:
// what was written so far is moved into place (the text report, the CIO file, the
// cleaned trace, the listings, the path trace), or the target is left as it was.
// A signal that ends the run leaves every target as it was (unfinished_files.h).
#pragma once

#include <QString>
#include <cstdio>
#include <string>

#include "support/non_copyable.h"
#include "support/unfinished_files.h"

/// What a fatal error does to an output that is still being written.
enum class OnFatal {
  /// What was written reaches the target (the message says why it stopped).
  KeepWritten,
  /// The target keeps its old content.
  LeaveTarget,
};

class OutputFile : NonCopyable {
public:
  OutputFile() = default;
  /// An output neither committed nor abandoned is abandoned.
  ~OutputFile();

  /// Opens `target` for writing: false with the system's reason when it cannot
  /// be created. With `keepContent`, the new file begins with the target's
  /// current content (a listing appended to within one run).
  bool open(const std::string &target, OnFatal onFatal, QString *reason, bool keepContent = false);
  /// The stream to write to; null when not open.
  std::FILE *stream() const { return stream_; }
  /// The target as given.
  const std::string &target() const { return target_; }
  /// True when the target is written in place (not a regular file).
  bool direct() const { return direct_; }

  /// Leaves the sync of the new file to its folder (OutputFolder::syncsFiles):
  /// commit then flushes and moves it without syncing it.
  void leaveSyncToFolder() { syncedByFolder_ = true; }
  /// Flushes, syncs and moves the new file into place; false with the system's
  /// reason when anything written did not reach the disk (the target then keeps
  /// its old content and the new file is removed).
  bool commit(QString *reason);
  /// Commits; a failure ends the run with the fatal "Cannot write file %1: %2".
  void commitOrFail();
  /// Removes the new file; the target keeps its old content.
  void abandon();

  /// Settles every output still open as a fatal error ends the run.
  static void settleAllOnFatal();
  /// Removes the new file of every output still open (an internal error).
  static void abandonAll();

private:
  /// Moves what was written into place without syncing (a fatal error).
  void keepWritten();
  void forget();

  std::string target_;
  /// The file renamed over the target, beside it; empty when direct.
  std::string temporary_;
  /// The path the new file replaces: the target, or the file it links to.
  std::string replaced_;
  std::FILE *stream_ = nullptr;
  /// The folder syncs the file (leaveSyncToFolder).
  bool syncedByFolder_ = false;
  bool direct_ = false;
  OnFatal onFatal_ = OnFatal::LeaveTarget;
  UnfinishedEntry *unfinished_ = nullptr;
  /// Open outputs, in a list threaded through them.
  OutputFile *previousOpen_ = nullptr;
  OutputFile *nextOpen_ = nullptr;
};

/// A new hidden name for an unfinished file or folder beside `path`:
/// ".<name>.zeltocov-unfinished-XXXXXX", the X six random letters and digits.
std::string unfinishedNameBeside(const std::string &path);

/// The path that writing `path` changes: a link to a regular file (or a chain of
/// links) is followed to that file, whose folder receives the new file.
std::string resolvedOutputPath(const std::string &path);

/// Creates a new hidden entry beside `target` (named by unfinishedNameBeside)
/// with `create`, which makes it at the path given and answers 0 or more, or -1
/// with errno set; a name taken already is tried again with another. The entry
/// is listed as unfinished from before it exists. Answers what `create` answered
/// last, with `path` and `entry` set when it made the entry (-1, errno set, else).
int createUnfinishedBeside(const std::string &target, UnfinishedKind kind,
                           int (*create)(const char *path), std::string &path,
                           UnfinishedEntry *&entry);

/// Syncs the folder of `path` to disk, so that a rename in it survives a power cut.
void syncFolderOf(const std::string &path);
