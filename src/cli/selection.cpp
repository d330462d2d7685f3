#include "cli/selection.h"

#include "support/host_services.h"
#include "support/messages.h"
#include "support/paths.h"

bool isFileSelected(const char *fileName, const RunSettings &options) {
  const bool byDefault = (options.selectAll & SelectAllFiles) != 0;
  if (!fileName || *fileName == '\0') return byDefault;
  // The lists hold upper-cased base names, so a file is looked up the same way
  // whatever the case and the directory of the name it is known by.
  const NameEntry *entry = internName(upperAscii(BaseName(fileName)).c_str());
  if (!entry) return byDefault;
  if (entry->flags & InFileList) return true;
  if (entry->flags & InExFileList) return false;
  return byDefault;
}

bool GetServiceAuth(const NameEntry *service, const RunSettings &options) {
  if (!service) reportInternal(tr("Internal Error", "Cannot get service name in GetServiceAuth()"));
  if (service->flags & InServiceList) return true;
  if (service->flags & InExServiceList) return false;
  return (options.selectAll & SelectAllServices) != 0;
}

bool isTestSelected(const NameEntry *test, const RunSettings &options) {
  const bool byDefault = (options.selectAll & SelectAllTests) != 0;
  if (!test) return byDefault;
  if (test->flags & InTestList) return true;
  if (test->flags & InExTestList) return false;
  return byDefault;
}
