#include "support/output_guard.h"

#include <QFileInfo>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unordered_map>

#include "support/messages.h"

namespace {

/// What tells that two names are one file: the device and inode of an existing
/// file, and the resolved folder and name.
struct FileIdentity {
  bool exists = false;
  bool regular = true;
  std::string inode;
  std::string path;
};

/// The name's folder with every link resolved, then the name; the absolute,
/// cleaned name when the folder does not exist.
std::string resolvedPath(const std::string &name) {
  const QFileInfo info(QString::fromLocal8Bit(name.c_str()));
  const QByteArray folder = info.absolutePath().toLocal8Bit();
  if (char *resolved = ::realpath(folder.constData(), nullptr)) {
    std::string path(resolved);
    std::free(resolved);
    if (path != "/") path += '/';
    return path + info.fileName().toLocal8Bit().toStdString();
  }
  return info.absoluteFilePath().toLocal8Bit().toStdString();
}

FileIdentity identityOf(const std::string &name) {
  FileIdentity identity;
  struct stat status {};
  if (::stat(name.c_str(), &status) == 0) {
    identity.exists = true;
    identity.regular = S_ISREG(status.st_mode);
    identity.inode = deviceInodeKey(status);
  }
  identity.path = resolvedPath(name);
  return identity;
}

QString text(const std::string &name) {
  return QString::fromLocal8Bit(name.c_str());
}

} // namespace

std::string deviceInodeKey(const struct stat &status) {
  return std::to_string(status.st_dev) + ':' + std::to_string(static_cast<uint64_t>(status.st_ino));
}

void checkOutputsAgainstInputs(const std::vector<NamedOutput> &outputs,
                               const std::vector<std::string> &inputs) {
  // Keys: "i" + device:inode, "p" + resolved path.
  std::unordered_map<std::string, std::size_t> inputKeys;
  for (const std::string &input : inputs) {
    const FileIdentity id = identityOf(input);
    if (id.exists) inputKeys.emplace("i" + id.inode, 0);
    inputKeys.emplace("p" + id.path, 0);
  }
  // The regular (or new) files among the outputs seen so far, by output index.
  std::unordered_map<std::string, std::size_t> written;
  for (std::size_t index = 0; index < outputs.size(); ++index) {
    const NamedOutput &output = outputs[index];
    const FileIdentity id = identityOf(output.path);
    const std::string inodeKey = id.exists ? "i" + id.inode : std::string();
    const std::string pathKey = "p" + id.path;
    if ((id.exists && inputKeys.count(inodeKey)) || (id.regular && inputKeys.count(pathKey)))
      reportFatal(tr("Fatal Error", "Output file %1 of %2 is also an input file",
                     "%1 is a file name, %2 the option that names it")
                      .arg(text(output.path), QString::fromLatin1(output.option)));
    // Only regular files can be clobbered: /dev/null or a terminal may be named twice.
    if (!id.regular) continue;
    for (const std::string *key : {&inodeKey, &pathKey}) {
      if (key->empty()) continue;
      const auto [earlier, added] = written.emplace(*key, index);
      if (added) continue;
      const NamedOutput &first = outputs[earlier->second];
      if (output.mayRepeat && first.mayRepeat && std::string(first.option) == output.option)
        continue;
      reportFatal(tr("Fatal Error", "Outputs %1 and %2 name the same file %3",
                     "%1 and %2 are options, %3 a file name")
                      .arg(QString::fromLatin1(first.option), QString::fromLatin1(output.option),
                           text(output.path)));
    }
  }
}
