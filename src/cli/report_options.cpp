#include "cli/report_options.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <fstream>
#include <iterator>

#include "cli/command_line_decoder.h"
#include "cli/coverage_thresholds.h"
#include "cli/option_table.h"
#include "cli/pattern_expansion.h"
#include "support/host_services.h"
#include "support/messages.h"
#include "support/paths.h"
#include "support/source_map.h"

namespace {

std::optional<std::string> valueOf(const CommandLineDecoder &decoder, const char *name) {
  const int position = decoder.optionState(name);
  if (position == 0) return std::nullopt;
  const char *value = decoder.optionValue(position, 1);
  if (!value) return std::nullopt;
  return std::string(value);
}

bool given(const CommandLineDecoder &decoder, const char *name) {
  return decoder.optionState(name) > 0;
}

CoverageTypes blockTypes(const std::optional<std::string> &level) {
  if (!level) return CovStatementBlocks | CovBlockCompanion;
  if (*level == "IMPLICIT" || *level == "DECISION")
    return CovStatementBlocks | CovBlockCompanion | CovImplicitBlocks;
  if (*level == "LOGICAL")
    return CovStatementBlocks | CovBlockCompanion | CovImplicitBlocks | CovLoops;
  return CovStatementBlocks | CovBlockCompanion | CovImplicitBlocks | CovLoops | CovAsyncBlocks;
}

CoverageTypes conditionTypes(const std::optional<std::string> &level) {
  if (!level) return CovBasicConditions;
  if (*level == "MODIFIED") return CovBasicConditions | CovModifiedConditions;
  return CovBasicConditions | CovModifiedConditions | CovCompoundConditions;
}

/// The texts of the warnings about one of the file lists.
struct FileListTexts {
  /// Canonical option name.
  const char *option;
  /// Warning when -SUMMARY=CONCLUSION makes the list pointless.
  const char *inconsistent;
  /// Warning for a value with a directory part.
  const char *withPath;
  /// Warning for a value without a file name.
  const char *withoutName;
  /// Warning for a name given twice.
  const char *twice;
};

const FileListTexts kFileTexts = {
    "FILE",
    QT_TRANSLATE_NOOP("User Warning",
                      "Use of -SUMMARY=CONCLUSION and -FILE is inconsistent, -FILE is ignored"),
    QT_TRANSLATE_NOOP("User Warning", "File %1 with path in -FILE list; path ignored"),
    QT_TRANSLATE_NOOP("User Warning", "File %1 without file name in -FILE list is ignored"),
    QT_TRANSLATE_NOOP("User Warning", "The file %1 appears twice in -FILE list"),
};
const FileListTexts kExFileTexts = {
    "EXFILE",
    QT_TRANSLATE_NOOP("User Warning",
                      "Use of -SUMMARY=CONCLUSION and -EXFILE is inconsistent, -EXFILE is ignored"),
    QT_TRANSLATE_NOOP("User Warning", "File %1 with path in -EXFILE list; path ignored"),
    QT_TRANSLATE_NOOP("User Warning", "File %1 without file name in -EXFILE list is ignored"),
    QT_TRANSLATE_NOOP("User Warning", "The file %1 appears twice in -EXFILE list"),
};

// Enters the values of -FILE or -EXFILE under their upper-cased base names.
// Returns false when the list is ignored.
bool analyseFileList(const CommandLineDecoder &decoder, const ReportOptions &options,
                     const FileListTexts &texts, uint32_t flag, OccurrenceList &list) {
  const int position = decoder.optionState(texts.option);
  if (position <= 0) return false;
  if (options.summaryLevel == SummaryConclusion) {
    reportWarning(tr("User Warning", texts.inconsistent));
    return false;
  }
  for (int n = 1; const char *value = decoder.optionValue(position, n); ++n) {
    const char *base = BaseName(value);
    const QString typed = QString::fromLocal8Bit(value);
    if (*base == '\0') {
      reportWarning(
          tr("User Warning", texts.withoutName, "%1 is the value without a file name").arg(typed));
      continue;
    }
    if (base != value)
      reportWarning(tr("User Warning", texts.withPath, "%1 is the file with a path").arg(typed));
    NameEntry *entry = internName(upperAscii(base).c_str());
    entry->flags |= flag;
    if (countOccurrence(list, entry) > 1)
      reportWarning(tr("User Warning", texts.twice, "%1 is the name of the file")
                        .arg(QString::fromLocal8Bit(base)));
  }
  return true;
}

/// The texts of the warnings about a list of names kept as typed.
struct NameListTexts {
  /// Canonical option name.
  const char *option;
  /// Warning when another option makes the list pointless.
  const char *inconsistent;
  /// Warning for a name given twice.
  const char *twice;
  /// Translator comment of the warning for a name given twice.
  const char *comment;
};

// Enters the values of -SERVICE, -EXSERVICE, -TEST or -EXTEST as typed. Returns
// false when the list is ignored.
bool analyseNameList(const CommandLineDecoder &decoder, bool ignored, const NameListTexts &texts,
                     uint32_t flag, OccurrenceList &list) {
  const int position = decoder.optionState(texts.option);
  if (position <= 0) return false;
  if (ignored) {
    reportWarning(tr("User Warning", texts.inconsistent));
    return false;
  }
  for (int n = 1; const char *value = decoder.optionValue(position, n); ++n) {
    NameEntry *entry = internName(value);
    if (!entry) continue;
    entry->flags |= flag;
    if (countOccurrence(list, entry) > 1)
      reportWarning(
          tr("User Warning", texts.twice, texts.comment).arg(QString::fromLocal8Bit(value)));
  }
  return true;
}

// Reads the values of -FAILUNDER; a bad one is a command-line error, printed as
// the decoder prints its own.
bool analyseThresholds(const CommandLineDecoder &decoder,
                       std::vector<CoverageThreshold> &thresholds) {
  const int position = decoder.optionState("FAILUNDER");
  if (position <= 0) return true;
  for (int n = 1; const char *value = decoder.optionValue(position, n); ++n) {
    CoverageThreshold threshold;
    switch (parseThreshold(value, threshold)) {
    case ThresholdError::None:
      thresholds.push_back(std::move(threshold));
      continue;
    case ThresholdError::AmbiguousType:
      decoder.decoderError(AmbiguousValue, value);
      return false;
    case ThresholdError::TooLarge:
      decoder.decoderError(ArgValueTooLarge, value);
      return false;
    case ThresholdError::UnknownType:
    case ThresholdError::BadPercent:
      decoder.decoderError(UnknownValue, value);
      return false;
    }
  }
  return true;
}

// Reads the pairs of -SOURCEMAP into the run's source map; an occurrence that
// does not give two paths is a command-line error, printed as the decoder prints
// its own.
bool analyseSourceMap(const CommandLineDecoder &decoder) {
  SourceMap map;
  const int position = decoder.optionState("SOURCEMAP");
  if (position > 0) {
    int n = 1;
    for (const std::size_t size : decoder.optionOccurrenceSizes(position)) {
      if (size != 2) {
        decoder.decoderError(UnknownValue, decoder.optionValue(position, n));
        return false;
      }
      map.add(decoder.optionValue(position, n), decoder.optionValue(position, n + 1));
      n += 2;
    }
  }
  setSourceMap(std::move(map));
  return true;
}

// Reads the diff of -CHANGES; a file that cannot be read or parsed is a
// command-line error, and so is -AFFECTED or -FAILUNDER=CHANGED without it.
bool analyseChanges(ReportOptions &options) {
  options.changes.reset();
  const bool changedGate =
      std::any_of(options.coverageThresholds.begin(), options.coverageThresholds.end(),
                  [](const CoverageThreshold &threshold) { return threshold.type == nullptr; });
  if (!options.changesFile) {
    const char *needing = options.affectedFile ? "-AFFECTED"
                          : changedGate        ? "-FAILUNDER=CHANGED"
                                               : nullptr;
    if (needing)
      reportError(tr("User Error", "%1 needs -CHANGES=<diff file>", "%1 is an option")
                      .arg(QLatin1String(needing)));
    return needing == nullptr;
  }
  const QString name = QString::fromLocal8Bit(options.changesFile->c_str());
  std::ifstream in(*options.changesFile, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    reportError(tr("User Error", "Cannot read the diff file %1", "%1 is a file name").arg(name));
    return false;
  }
  UnifiedDiff diff;
  DiffError error;
  if (!parseUnifiedDiff(text, diff, error)) {
    reportError(tr("User Error", "Line %2 of the diff file %1 is not part of a unified diff: %3",
                   "%1 is a file name, %2 a line number, %3 the text of that line")
                    .arg(name, QString::number(error.line), QString::fromLocal8Bit(error.text)));
    return false;
  }
  options.changes = std::move(diff);
  return true;
}

} // namespace

bool analyseOptions(int argc, char **argv, ReportOptions &options) {
  CommandLineDecoder decoder(reportCommandLineTables());
  // An argument file that cannot be read leaves the command line incomplete: it is
  // as invalid as any other decoding error.
  if (decoder.preprocessArguments(argc, argv) != 0 || decoder.decodeCommandLine(argc, argv) != 0) {
    decoder.releaseDecoder();
    return false;
  }

  options.argumentFiles = decoder.argumentFiles();
  options.strict = given(decoder, "STRICT");
  // Under -STRICT a named input that cannot be used reaches its reader, which says
  // why it leaves it out.
  PatternExpander expander(options.strict);
  for (int n = 1; const char *value = decoder.argumentValue(1, n); ++n)
    for (std::string &name : expander.expand(value))
      options.inputFiles.push_back(std::move(name));

  options.coverageTypes = 0;
  if (given(decoder, "PROC")) {
    options.coverageTypes |= CovFunctions;
    if (valueOf(decoder, "PROC")) options.coverageTypes |= CovFunctionsExits;
  }
  if (given(decoder, "CALL")) options.coverageTypes |= CovCalls;
  if (given(decoder, "BLOCK")) options.coverageTypes |= blockTypes(valueOf(decoder, "BLOCK"));
  if (given(decoder, "COND")) options.coverageTypes |= conditionTypes(valueOf(decoder, "COND"));

  options.outputFile = valueOf(decoder, "OUTPUT");

  options.summaryLevel = SummaryFull;
  if (const auto summary = valueOf(decoder, "SUMMARY"))
    options.summaryLevel = *summary == "CONCLUSION" ? SummaryConclusion
                           : *summary == "FILE"     ? SummaryFile
                                                    : SummaryService;

  options.global = given(decoder, "GLOBAL");
  options.iterations = given(decoder, "ITERATION");
  options.cleanFile = valueOf(decoder, "CLEAN");

  options.mergeTests = false;
  if (given(decoder, "MERGETESTS")) {
    if (options.cleanFile)
      options.mergeTests = true;
    else
      reportWarning(
          tr("User Warning", "-MERGETESTS cannot be used without -CLEAN, -MERGETESTS is ignored"));
  }

  options.listCovered = false;
  if (given(decoder, "BRANCH")) {
    if (options.summaryLevel != SummaryFull)
      reportWarning(
          tr("User Warning", "Use of -SUMMARY and -BRANCH is inconsistent, -BRANCH is ignored"));
    else
      options.listCovered = valueOf(decoder, "BRANCH") == std::optional<std::string>("COV");
  }

  options.listing = given(decoder, "LISTING");
  options.listingDirectory = valueOf(decoder, "LISTING");

  options.selectAll = SelectAllFiles | SelectAllServices | SelectAllTests;
  if (analyseFileList(decoder, options, kFileTexts, InFileList, options.fileList))
    options.selectAll &= ~SelectAllFiles;
  analyseFileList(decoder, options, kExFileTexts, InExFileList, options.excludedFileList);

  const bool servicesIgnored = options.summaryLevel >= SummaryFile;
  if (analyseNameList(
          decoder, servicesIgnored,
          {"SERVICE",
           QT_TRANSLATE_NOOP("User Warning", "Use of -SUMMARY=CONCLUSION|FILE and "
                                             "-SERVICE is inconsistent, -SERVICE is "
                                             "ignored"),
           QT_TRANSLATE_NOOP("User Warning", "The service %1 appears twice in -SERVICE list"),
           "%1 is the name of the service"},
          InServiceList, options.serviceList))
    options.selectAll &= ~SelectAllServices;
  analyseNameList(
      decoder, servicesIgnored,
      {"EXSERVICE",
       QT_TRANSLATE_NOOP("User Warning", "Use of -SUMMARY=CONCLUSION|FILE and "
                                         "-EXSERVICE is inconsistent, -EXSERVICE is "
                                         "ignored"),
       QT_TRANSLATE_NOOP("User Warning", "The service %1 appears twice in -EXSERVICE list"),
       "%1 is the name of the service"},
      InExServiceList, options.excludedServiceList);

  if (analyseNameList(
          decoder, options.global,
          {"TEST",
           QT_TRANSLATE_NOOP("User Warning",
                             "Use of -GLOBAL and -TEST is inconsistent, -TEST is ignored"),
           QT_TRANSLATE_NOOP("User Warning", "The test %1 appears twice in -TEST list"),
           "%1 is the name of the test"},
          InTestList, options.testList))
    options.selectAll &= ~SelectAllTests;
  analyseNameList(
      decoder, options.global,
      {"EXTEST",
       QT_TRANSLATE_NOOP("User Warning",
                         "Use of -GLOBAL and -EXTEST is inconsistent, -EXTEST is ignored"),
       QT_TRANSLATE_NOOP("User Warning", "The test %1 appears twice in -EXTEST list"),
       "%1 is the name of the test"},
      InExTestList, options.excludedTestList);

  options.cioFile = valueOf(decoder, "CIO");
  options.flowFile = valueOf(decoder, "FLOW");

  options.xmlFile = valueOf(decoder, "XML");
  options.jsonFile = valueOf(decoder, "JSON");
  options.digestFile = valueOf(decoder, "DIGEST");
  options.htmlDirectory = valueOf(decoder, "HTML");
  options.changesFile = valueOf(decoder, "CHANGES");
  options.affectedFile = valueOf(decoder, "AFFECTED");
  if (!analyseThresholds(decoder, options.coverageThresholds) || !analyseSourceMap(decoder) ||
      !analyseChanges(options)) {
    decoder.releaseDecoder();
    return false;
  }

  // Every value has been copied into the record.
  decoder.releaseDecoder();
  return true;
}

void releaseOptions(ReportOptions &options) {
  freeOccurrenceList(options.fileList);
  freeOccurrenceList(options.excludedFileList);
  freeOccurrenceList(options.serviceList);
  freeOccurrenceList(options.excludedServiceList);
  freeOccurrenceList(options.testList);
  freeOccurrenceList(options.excludedTestList);
}
