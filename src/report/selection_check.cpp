#include "report/selection_check.h"

#include <string>
#include <unordered_set>

#include "cli/selection.h"
#include "model/coverage_model.h"
#include "support/host_services.h"
#include "support/messages.h"
#include "support/paths.h"

namespace {

/// The name under which the selection lists know a source file: its base name,
/// upper-cased.
NameEntry *selectionName(const SourceFile &file) {
  if (!file.sourceName) return nullptr;
  return internName(upperAscii(BaseName(file.sourceName->text)).c_str());
}

/// The selection names of the loaded source files.
std::unordered_set<const NameEntry *> loadedFileNames(const CoverageModel &model) {
  std::unordered_set<const NameEntry *> names;
  for (const std::unique_ptr<SourceFile> &file : model.files())
    if (!file->placeholder) names.insert(selectionName(*file));
  names.erase(nullptr);
  return names;
}

/// The names of the services of the selected source files.
std::unordered_set<const NameEntry *> selectedServiceNames(const CoverageModel &model,
                                                           const RunSettings &options) {
  std::unordered_set<const NameEntry *> names;
  for (const std::unique_ptr<SourceFile> &file : model.files()) {
    if (file->placeholder || !file->sourceName) continue;
    if (!isFileSelected(file->sourceName->text, options)) continue;
    for (const std::unique_ptr<Service> &service : file->services)
      names.insert(service->name);
  }
  return names;
}

// Each list is checked against a set of the model's names made once, so that the
// cost follows the list plus the model, not their product.
void warnUnknownFiles(const CoverageModel &model, const OccurrenceList &list, const char *text) {
  if (!list.first) return;
  const std::unordered_set<const NameEntry *> loaded = loadedFileNames(model);
  for (const OccurrenceEntry *entry = list.first; entry; entry = entry->next) {
    const NameEntry *name = static_cast<const NameEntry *>(entry->key);
    if (!loaded.count(name))
      reportWarning(tr("User Warning", text, "%1 is the name of the file")
                        .arg(QString::fromLocal8Bit(name->text)));
  }
}

void warnUnknownServices(const CoverageModel &model, const RunSettings &options,
                         const OccurrenceList &list, const char *text) {
  if (!list.first) return;
  const std::unordered_set<const NameEntry *> services = selectedServiceNames(model, options);
  for (const OccurrenceEntry *entry = list.first; entry; entry = entry->next) {
    const NameEntry *name = static_cast<const NameEntry *>(entry->key);
    if (!services.count(name))
      reportWarning(tr("User Warning", text, "%1 is the name of the file")
                        .arg(QString::fromLocal8Bit(name->text)));
  }
}

} // namespace

void checkSelection(const RunSettings &options, const CoverageModel &model) {
  warnUnknownFiles(
      model, options.fileList,
      QT_TRANSLATE_NOOP("User Warning", "File %1 in -FILE option is not in source file list"));
  warnUnknownFiles(
      model, options.excludedFileList,
      QT_TRANSLATE_NOOP("User Warning", "File %1 in -EXFILE option is not in source file list"));
  warnUnknownServices(
      model, options, options.serviceList,
      QT_TRANSLATE_NOOP("User Warning",
                        "Service %1 in -SERVICE option is unknown in selected source file list"));
  warnUnknownServices(
      model, options, options.excludedServiceList,
      QT_TRANSLATE_NOOP("User Warning",
                        "Service %1 in -EXSERVICE option is unknown in selected source file list"));

  bool somethingToReport = false;
  for (const std::unique_ptr<SourceFile> &file : model.files()) {
    if (file->placeholder || !file->sourceName) continue;
    if (!isFileSelected(file->sourceName->text, options)) continue;
    bool anyService = false;
    for (const std::unique_ptr<Service> &service : file->services)
      if (GetServiceAuth(service->name, options)) anyService = true;
    if (anyService) {
      somethingToReport = true;
    } else if (NameEntry *name = selectionName(*file)) {
      // From now on the file counts as excluded (unless -FILE names it).
      name->flags |= InExFileList;
    }
  }

  bool typeAvailable = true;
  if (options.coverageTypes) {
    typeAvailable = false;
    for (const std::unique_ptr<SourceFile> &file : model.files())
      if (!file->placeholder && (file->instrumentedTypes & options.coverageTypes))
        typeAvailable = true;
  }

  if (!somethingToReport || !typeAvailable)
    reportFatal(tr("Fatal Error", "There is nothing to report ... report is empty"));
}
