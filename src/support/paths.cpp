// Path helpers: existence and modification time, base name, joining and
// extensions.
#include "support/paths.h"

#include "support/messages.h"
#include "support/name_table.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

bool FileExists(const char *path) {
  struct stat status {};
  if (stat(path, &status) == 0) return true;
  errno = 0;
  return false;
}

uint32_t FileTime(const char *path) {
  struct stat status {};
  if (stat(path, &status) != 0) {
    errno = 0;
    return 0;
  }
  return static_cast<uint32_t>(status.st_mtime);
}

const char *BaseName(const char *path) {
  const char *base = path;
  for (const char *p = path; *p; ++p) {
    if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
  }
  return base;
}

std::string JoinPath(const std::string &directory, const std::string &name) {
  if (!directory.empty() && (directory.back() == '/' || directory.back() == '\\'))
    return directory + name;
  return directory + '/' + name;
}

std::string SourcePath(const NameEntry *directory, const NameEntry *name) {
  return JoinPath(directory ? directory->text : "", name ? name->text : "");
}

std::string AppendExtension(const std::string &name, const std::string &extension) {
  if (name.empty())
    reportInternal(tr("Assertion", "Source file name empty while changing extension"));
  if (extension.empty())
    reportInternal(tr("Assertion", "Extension empty while changing it to a file"));
  if (extension[0] != '.')
    reportInternal(
        tr("Assertion", "Extension not beginning with period while changing it to a file"));
  return name + extension;
}
