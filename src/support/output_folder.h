// A folder of outputs written whole (the HTML site): its files are written into a
// new hidden folder beside the target, which then takes the target's place in one
// step (the two names are exchanged and the old folder removed). Until then the
// target keeps its old content; a signal that ends the run removes the new one.
//
// A target that holds anything but the pages of a site (any entry not a regular
// file named *.html, or an input of the run), or that is the current folder, is
// not replaced: each file is
// then written whole in place and the other entries stay.
#pragma once

#include "support/non_copyable.h"

#include <QString>
#include <string>
#include <vector>

class UnfinishedEntry;

class OutputFolder : NonCopyable {
public:
  OutputFolder() = default;
  /// A folder neither committed nor abandoned is abandoned.
  ~OutputFolder();

  /// Creates the target's parents and the new folder; false with the system's
  /// reason when they cannot be created. A target that holds one of `inputs` is
  /// written in place (replacing it would remove that input).
  bool open(const std::string &target, QString *reason,
            const std::vector<std::string> &inputs = {});
  /// Where the files go: the new folder, or the target when it is written in place.
  const std::string &path() const { return path_; }
  /// Whether the files go into a new folder, synced all at once when it takes the
  /// target's place (each file then need not be synced by itself).
  bool syncsFiles() const { return !temporary_.empty(); }
  /// Lists a file about to be written into the folder (by name), so that a
  /// signal removes it with the folder.
  void adding(const std::string &name);
  /// Syncs the new folder's file system, then puts the new folder in the
  /// target's place; false with the system's reason
  /// (the target then keeps its old content and the new folder is removed).
  bool commit(QString *reason);
  /// Removes the new folder and what was written into it.
  void abandon();

private:
  std::string target_;
  std::string path_;
  /// The new folder; empty when the target is written in place.
  std::string temporary_;
  std::vector<UnfinishedEntry *> unfinished_;
};
