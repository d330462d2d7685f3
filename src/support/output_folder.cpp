#include "support/output_folder.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

#include "support/output_file.h"
#include "support/output_guard.h"
#include "support/output_stream.h"
#include "support/unfinished_files.h"

namespace {

bool endsWith(const std::string &text, const char *suffix) {
  const std::size_t size = std::strlen(suffix);
  return text.size() >= size && text.compare(text.size() - size, size, suffix) == 0;
}

/// The folder holds only what a site writes (regular files named *.html), none
/// of them one of the files of `inputs` (device:inode keys).
bool holdsOnlyPages(const std::string &folder, const std::unordered_set<std::string> &inputs) {
  DIR *dir = ::opendir(folder.c_str());
  if (!dir) return false;
  bool only = true;
  while (const dirent *entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat status {};
    std::string path = folder;
    path += '/';
    path += name;
    if (!endsWith(name, ".html") || ::lstat(path.c_str(), &status) != 0 ||
        !S_ISREG(status.st_mode) || inputs.count(deviceInodeKey(status))) {
      only = false;
      break;
    }
  }
  ::closedir(dir);
  return only;
}

bool isCurrentFolder(const std::string &folder) {
  struct stat here {
  }, there{};
  return ::stat(".", &here) == 0 && ::stat(folder.c_str(), &there) == 0 &&
         here.st_dev == there.st_dev && here.st_ino == there.st_ino;
}

} // namespace

OutputFolder::~OutputFolder() {
  abandon();
}

bool OutputFolder::open(const std::string &target, QString *reason,
                        const std::vector<std::string> &inputs) {
  abandon();
  auto fail = [&](int error) {
    if (reason) *reason = systemReason(error);
    return false;
  };
  const QString parent = QFileInfo(QString::fromLocal8Bit(target.c_str())).absolutePath();
  if (!QDir().mkpath(parent)) return fail(EACCES);
  target_ = resolvedOutputPath(target);
  struct stat status {};
  if (::stat(target_.c_str(), &status) == 0) {
    if (!S_ISDIR(status.st_mode)) return fail(ENOTDIR);
    std::unordered_set<std::string> inputKeys;
    for (const std::string &input : inputs) {
      struct stat found {};
      if (::stat(input.c_str(), &found) == 0) inputKeys.insert(deviceInodeKey(found));
    }
    if (!holdsOnlyPages(target_, inputKeys) || isCurrentFolder(target_)) {
      // Written in place, page by page.
      path_ = target_;
      return true;
    }
  }
  UnfinishedEntry *entry = nullptr;
  if (createUnfinishedBeside(
          target_, UnfinishedKind::Folder, [](const char *path) { return ::mkdir(path, 0777); },
          temporary_, entry) < 0)
    return fail(errno);
  unfinished_.push_back(entry);
  path_ = temporary_;
  return true;
}

void OutputFolder::adding(const std::string &name) {
  if (temporary_.empty()) return;
  unfinished_.push_back(listUnfinished((temporary_ + "/" + name).c_str(), UnfinishedKind::File));
}

bool OutputFolder::commit(QString *reason) {
  if (temporary_.empty()) return true;
  // One sync for every file of the folder: a sync each costs a journal commit each.
  int error = 0;
  const int folder = ::open(temporary_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0 || ::syncfs(folder) != 0) error = errno;
  if (folder >= 0) ::close(folder);
  if (error) {
    abandon();
    if (reason) *reason = systemReason(error);
    return false;
  }
  struct stat status {};
  const bool exists = ::lstat(target_.c_str(), &status) == 0;
  if (!exists) {
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) error = errno;
  } else if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(),
                         RENAME_EXCHANGE) != 0) {
    error = errno;
  }
  if (error) {
    abandon();
    if (reason) *reason = systemReason(error);
    return false;
  }
  syncFolderOf(target_);
  // The old site now has the new folder's name; it goes, and with it the list.
  std::error_code ignored;
  if (exists) std::filesystem::remove_all(temporary_, ignored);
  for (UnfinishedEntry *entry : unfinished_)
    forgetUnfinished(entry);
  unfinished_.clear();
  temporary_.clear();
  return true;
}

void OutputFolder::abandon() {
  if (!temporary_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(temporary_, ignored);
  }
  for (UnfinishedEntry *entry : unfinished_)
    forgetUnfinished(entry);
  unfinished_.clear();
  temporary_.clear();
  path_.clear();
}
