#include "support/output_guard.h"

#include <QFileInfo>
#include <sys/stat.h>
#include <utility>

#include "support/messages.h"

namespace {

/// What tells that two names are one file: the device and inode of an existing
/// file, or else the absolute, cleaned path of the name.
struct FileIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  QString path;

  bool operator==(const FileIdentity &other) const {
    if (exists && other.exists) return device == other.device && inode == other.inode;
    return path == other.path;
  }
};

FileIdentity identityOf(const std::string &name) {
  FileIdentity identity;
  struct stat status {};
  // Only regular files can be clobbered: /dev/null or a terminal may be named twice.
  if (::stat(name.c_str(), &status) == 0) {
    identity.exists = true;
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
  }
  identity.path = QFileInfo(QString::fromLocal8Bit(name.c_str())).absoluteFilePath();
  return identity;
}

bool isRegularOrMissing(const std::string &name) {
  struct stat status {};
  return ::stat(name.c_str(), &status) != 0 || S_ISREG(status.st_mode);
}

QString text(const std::string &name) {
  return QString::fromLocal8Bit(name.c_str());
}

} // namespace

void checkOutputsAgainstInputs(const std::vector<NamedOutput> &outputs,
                               const std::vector<std::string> &inputs) {
  std::vector<FileIdentity> inputIds;
  inputIds.reserve(inputs.size());
  for (const std::string &input : inputs)
    inputIds.push_back(identityOf(input));
  // The regular (or new) files among the outputs seen so far, by output index.
  std::vector<std::pair<std::size_t, FileIdentity>> written;
  for (std::size_t index = 0; index < outputs.size(); ++index) {
    const NamedOutput &output = outputs[index];
    const FileIdentity id = identityOf(output.path);
    for (const FileIdentity &input : inputIds)
      if (id == input)
        reportFatal(tr("Fatal Error", "Output file %1 of %2 is also an input file",
                       "%1 is a file name, %2 the option that names it")
                        .arg(text(output.path), QString::fromLatin1(output.option)));
    if (!isRegularOrMissing(output.path)) continue;
    for (const auto &[earlier, earlierId] : written)
      if (earlierId == id)
        reportFatal(tr("Fatal Error", "Outputs %1 and %2 name the same file %3",
                       "%1 and %2 are options, %3 a file name")
                        .arg(QString::fromLatin1(outputs[earlier].option),
                             QString::fromLatin1(output.option), text(output.path)));
    written.emplace_back(index, id);
  }
}
