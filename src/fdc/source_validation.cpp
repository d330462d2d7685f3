// Validation of a section: source time stamp and coverage types.
#include "fdc/source_validation.h"

#include "fdc/fdc_messages.h"
#include "model/coverage_records.h"
#include "support/messages.h"
#include "support/paths.h"
#include "support/source_map.h"

namespace {

/// The warning of one requested type that the section lacks.
struct MissingTypeWarning {
  /// The type bit.
  uint16_t bit;
  /// The warning text (%1 or, when absent, appended: the source path).
  const char *text;
};

constexpr MissingTypeWarning kMissingTypeWarnings[] = {
    {CovFunctions,
     QT_TRANSLATE_NOOP("fdcL-Warning", "Procedures coverage type won't be computed for file %1")},
    {CovFunctionsExits,
     QT_TRANSLATE_NOOP("fdcL-Warning",
                       "Procedures and outputs coverage type won't be computed for file %1")},
    {CovCalls,
     QT_TRANSLATE_NOOP("fdcL-Warning", "Calls coverage type won't be computed for file %1")},
    {CovStatementBlocks,
     QT_TRANSLATE_NOOP("fdcL-Warning",
                       "Simple blocks coverage type won't be computed for file %1")},
    {CovImplicitBlocks,
     QT_TRANSLATE_NOOP("fdcL-Warning",
                       "Implicit blocks coverage type won't be computed for file %1")},
    {CovLoops, QT_TRANSLATE_NOOP("fdcL-Warning",
                                 "Logical blocks coverage type won't be computed for file %1")},
    {CovAsyncBlocks,
     QT_TRANSLATE_NOOP("fdcL-Warning",
                       "Asynchronous transfer blocks coverage type won't be computed for file %1")},
    {CovBasicConditions,
     QT_TRANSLATE_NOOP("fdcL-Warning",
                       "Basic conditions coverage type won't be computed for file %1")},
    {CovModifiedConditions,
     QT_TRANSLATE_NOOP("fdcL-Warning",
                       "Modified conditions coverage type won't be computed for file %1")},
    {CovCompoundConditions,
     QT_TRANSLATE_NOOP("fdcL-Warning",
                       "Compound conditions coverage type won't be computed for file")},
    {CovConditionsInExpression,
     QT_TRANSLATE_NOOP("fdcL-Warning",
                       "Basic conditions coverage in expression won't be computed for file")},
};

} // namespace

void ValidateFdcFile(const SourceFile *file, CoverageTypes requested) {
  if (!file || !file->sourceName)
    reportInternal(tr("fdcL-Assertion", "Bad attempt to validate FDC file"));

  const std::string sourcePath = MappedSourcePath(file->sourceDir, file->sourceName);
  const QString sourceText = QString::fromLocal8Bit(sourcePath.c_str());

  const uint32_t diskTime = FileTime(sourcePath.c_str());
  if (diskTime && file->sourceTime) {
    if (file->sourceTime < diskTime)
      reportWarning(
          tr("fdcL-Warning", "Source file touched after instrumentation: %1", "%1 is a file name")
              .arg(sourceText));
    else if (diskTime < file->sourceTime)
      reportWarning(
          tr("fdcL-Warning", "Older version of src file %1", "%1 is a file name").arg(sourceText));
  }

  const CoverageTypes available = requested & file->instrumentedTypes;
  if (!requested || available == requested) return;
  if (!available) {
    reportWarning(tr("fdcL-Warning",
                     "None of requested coverage types will be computed for file %1",
                     "%1 is a file name")
                      .arg(sourceText));
    return;
  }
  const CoverageTypes missing = requested & ~file->instrumentedTypes;
  for (const MissingTypeWarning &warning : kMissingTypeWarnings)
    if (missing & warning.bit)
      reportWarning(
          withArgument(tr("fdcL-Warning", warning.text, "%1 is a file name"), sourceText));
}
