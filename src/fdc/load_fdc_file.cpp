// Loading one input named on the command line: an FDC file into the model, or
// any other file handed back as a trace file.
#include "fdc/load_fdc_file.h"

#include <cerrno>
#include <sys/stat.h>

#include "fdc/fdc_reader.h"
#include "support/messages.h"

namespace {

/// What makes a named input no file to read.
enum class Unusable { No, Directory, MissingLinkTarget };

Unusable unusableKind(const std::string &name) {
  struct stat status {};
  if (::stat(name.c_str(), &status) == 0)
    return S_ISDIR(status.st_mode) ? Unusable::Directory : Unusable::No;
  if (errno == ENOENT && ::lstat(name.c_str(), &status) == 0 && S_ISLNK(status.st_mode))
    return Unusable::MissingLinkTarget;
  return Unusable::No;
}

} // namespace

void LoadFdcFile(const std::string &name, CoverageTypes requested,
                 std::vector<InputFile> &otherFiles, CoverageModel &model, bool strict) {
  FdcReader reader(model, requested);
  if (name.empty()) reportInternal(tr("fdcL-Assertion", "Attempt to open unnamed FDC file"));
  if (strict) {
    const Unusable kind = unusableKind(name);
    if (kind != Unusable::No) {
      reportWarning((kind == Unusable::Directory
                         ? tr("User Warning", "%1 is a directory; it is left out",
                              "%1 is the name given on the command line")
                         : tr("User Warning", "%1 is a link to a missing file; it is left out",
                              "%1 is the name given on the command line"))
                        .arg(QString::fromLocal8Bit(name.c_str())));
      noteInputDropped();
      return;
    }
  }
  reader.load(openInput(name), otherFiles);
}
