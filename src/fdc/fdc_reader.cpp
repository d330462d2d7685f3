// Reading an FDC file section by section: the header lines, the body loop and
// its records (procedure points, calls, blocks, basic conditions and
// compositions), the checksum line, the scan for the next section, and the
// redundancy check.
#include "fdc/fdc_reader.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "fdc/fdc_messages.h"
#include "fdc/source_validation.h"
#include "model/branch_lookup.h"
#include "support/file_identity.h"
#include "support/messages.h"
#include "support/numbers.h"

namespace {

/// Type bigrammes of the TC line and the bits they set.
struct TypeBigramme {
  /// The bigramme.
  const char *name;
  /// Its CoverageTypes bits.
  CoverageTypes bits;
};

constexpr TypeBigramme kTypeBigrammes[] = {
    {"PR", CovFunctions},
    {"RE", CovFunctionsExits},
    {"AP", CovCalls},
    {"BS", CovStatementBlocks},
    {"BT", CovBlockCompanion},
    {"BI", CovImplicitBlocks},
    {"BL", CovLoops},
    {"BF", CovBf},
    {"BA", CovAsyncBlocks},
    {"CO", CovBasicConditions},
    // A composition gives both modified and compound conditions.
    {"CC", CovModifiedConditions | CovCompoundConditions},
    {"CF", CovForcedConditions},
    {"CW", CovCw},
    {"CE", CovConditionsInExpression},
};

/// The longest first line read to tell an FDC file from a trace.
constexpr std::size_t kLongestFirstLine = 64 * 1024;

/// Marker that introduces the next section between two at signs.
constexpr char kSectionMarker[] = "/RIK";

bool isToken(const char *token, const char *expected) {
  return token && std::strcmp(token, expected) == 0;
}

bool startsChecksumLine(const char *line) {
  return std::strncmp(line, "DC ", 3) == 0;
}

/// Record bigrammes, in the order of their record numbers.
enum Record : int {
  RecVersion,
  RecFileName,
  RecChecksum,
  RecFileTime,
  RecTypes,
  RecProcedurePoint,
  RecCall,
  RecBlock,
  RecConditionPair,
  RecSingleCondition,
  RecComposition,
  RecUnknown,
};

constexpr const char *kRecordBigrammes[] = {"VE", "FC", "DC", "FD", "TC", "PR",
                                            "AP", "BL", "CE", "CA", "CC"};
constexpr const char *kProcedurePointKinds[] = {"proc", "endproc", "return", "term"};
constexpr const char *kBlockKinds[] = {"simple", "implicit", "logical", "atc"};

/// Position of a token in a table of `count` texts, or `count` when absent.
int positionIn(const char *const *table, std::size_t count, const char *token) {
  std::size_t i = 0;
  for (; i < count; ++i)
    if (std::strcmp(table[i], token) == 0) break;
  return static_cast<int>(i);
}

/// Position of a token in a table, or the table size when absent.
template <std::size_t N> int findIn(const char *const (&table)[N], const char *token) {
  return positionIn(table, N, token);
}

} // namespace

FdcReader::FdcReader(CoverageModel &model, CoverageTypes requested)
    : model_(model), requested_(requested) {}

void FdcReader::failWithFileName(const QString &text) const {
  reportFatal(text.arg(fdcNameText_));
}

void FdcReader::load(const InputFile &input, std::vector<InputFile> &otherFiles) {
  const std::string &path = input.path;
  fdcName_ = input.name;
  fdcNameText_ = QString::fromLocal8Bit(input.name.c_str());
  const auto cannotOpen = [&] {
    reportWarning(tr("fdcL-Warning", "Cannot open file %1", "%1 is a file name").arg(fdcNameText_));
    noteInputDropped();
  };
  // Most inputs looked at here are traces, of which only the first line is
  // read: no thread reads ahead (FDC files are small, read straight).
  lines_.setReadAheadMinimum(SIZE_MAX);
  if (!lines_.open(path.c_str())) return cannotOpen();
  // Telling an FDC file from a trace needs only its first bytes: a first line
  // longer than any VE line is no VE line.
  lines_.setMaxLineLength(kLongestFirstLine);
  const bool isFdc = lines_.readLine() && isToken(lines_.nextToken(), "VE");
  lines_.setMaxLineLength(LineReader::kMaxLineLength);
  if (!isFdc) {
    // A directory opens for reading here but yields no byte: it is no more a
    // readable file than a missing one, and must not pass for an empty trace.
    if (lines_.readFailed()) {
      lines_.close();
      return cannotOpen();
    }
    otherFiles.push_back(input);
    lines_.close();
    return;
  }
  // From here on the end of the file is the end of its data, never a failed read.
  lines_.failOnReadError(fdcNameText_);

  // New sections go in front, so the sections of one file end up in the model in
  // the reverse of their file order. Redundancy is judged against the files
  // loaded before this one only.
  std::vector<std::unique_ptr<SourceFile>> kept;
  bool redundancyTold = false;
  for (;;) {
    auto file = std::make_unique<SourceFile>();
    file->fdcName = fdcName_;
    readHeader(*file);
    ValidateFdcFile(file.get(), requested_);
    readBody(*file);
    readChecksum(*file);

    std::string identification = file->token ? file->token->text : "";
    for (NameEntry *word : file->tokenWords)
      if (word) {
        identification += ' ';
        identification += word->text;
      }
    FoldChecksum(file->checksum, identification.c_str());

    if (model_.findSourceFile(file->fileKey, file->checksum)) {
      if (!redundancyTold)
        reportInfo(tr("fdcL-Info", "%1 contains redundant static information; it is ignored",
                      "%1 is a fdc file name")
                       .arg(fdcNameText_));
      redundancyTold = true;
    } else {
      kept.push_back(std::move(file));
    }
    if (!findNextSection()) break;
  }
  lines_.close();
  conditionIds_.clear();

  for (auto section = kept.rbegin(); section != kept.rend(); ++section) {
    buildBranchIndex(**section);
    model_.registerSourceFile(std::move(*section));
  }
}

NameEntry *FdcReader::readName(const char *label) {
  if (!lines_.nextQuotedText(quoted_)) {
    if (!label) return nullptr;
    reportFatal(
        tr("fdcL-Error", "Cannot retrieve correctly %1 %2", "%1 is a message, %2 a file name")
            .arg(tr("fdcL-Error", label), fdcNameText_));
  }
  const std::string_view name = std::string_view(quoted_).substr(1, quoted_.size() - 2);
  if (name.empty()) {
    if (!label) return nullptr;
    reportFatal(tr("fdcL-Error", "Empty %1 %2", "%1 is a message, %2 a file name")
                    .arg(tr("fdcL-Error", label), fdcNameText_));
  }
  // Records name their service again and again: the last names are tried first.
  for (NameEntry *last : lastNames_)
    if (last && name == last->text) return last;
  // The closing quote gives way to the end of the text the name table reads.
  quoted_.back() = '\0';
  NameEntry *entry = internName(quoted_.data() + 1);
  lastNames_[1] = lastNames_[0];
  lastNames_[0] = entry;
  return entry;
}

char *FdcReader::nextLine() {
  char *line = lines_.readLine();
  if (!line && lines_.lineTooLong())
    failWithFileName(tr("fdcL-Error", "Line too long in FDC file %1", "%1 is a file name"));
  return line;
}

void FdcReader::readHeaderLine(const char *bigramme, const QString &missing) {
  if (!nextLine()) reportFatal(tr("fdcL-Error", "Bad FDC file", "%1 is a file name"));
  if (!isToken(lines_.nextToken(), bigramme)) failWithFileName(missing);
}

void FdcReader::readHeader(SourceFile &file) {
  // The VE token has been read.
  const char *version = lines_.nextToken();
  if (!version)
    failWithFileName(
        tr("fdcL-Error", "FDC file without any version string: %1", "%1 is a file name"));
  if (!isToken(version, "3.0e") && !isToken(version, "3.0d"))
    reportFatal(tr("fdcL-Error",
                   "%1 has been generated with an incompatible version of the product: %2",
                   "%1 is a file name, %2 a version")
                    .arg(fdcNameText_, QString::fromLocal8Bit(version)));
  const char *token = lines_.nextToken();
  if (!token || token[0] == '\0' || token[0] == '#')
    failWithFileName(
        tr("fdcL-Error", "FDC file without any token string: %1", "%1 is a file name"));
  file.token = internName(token);
  for (NameEntry *&word : file.tokenWords) {
    const char *text = lines_.nextToken();
    if (!text || (text[0] >= '0' && text[0] <= '9') || text[0] == '#') break;
    word = internName(text);
  }

  readHeaderLine("FC", tr("fdcL-Error", "Bad or missing FC in FDC file %1", "%1 is a file name"));
  file.sourceName = readName(QT_TRANSLATE_NOOP("fdcL-Error", "src-file name in FDC file"));
  file.sourceDir = readName(QT_TRANSLATE_NOOP("fdcL-Error", "src-file directory in FDC file"));
  file.extraText = readName(nullptr);
  file.fileKey = FileKey(std::string(file.sourceDir->text) + file.sourceName->text);

  readHeaderLine("FD", tr("fdcL-Error", "Bad or missing FD in FDC file %1", "%1 is a file name"));
  file.sourceTime = ReadDecimalTime(lines_.nextToken(), fdcNameText_);
  if (lines_.nextToken())
    failWithFileName(
        tr("fdcL-Error", "Garbage at the end of FD line in FDC file %1", "%1 is a file name"));

  readHeaderLine("TC", tr("fdcL-Error", "Bad or missing TC in FDC file %1", "%1 is a file name"));
  const char *type = lines_.nextToken();
  if (!type)
    failWithFileName(
        tr("fdcL-Error", "Bad or missing TC information in FDC file %1", "%1 is a file name"));
  for (; type; type = lines_.nextToken()) {
    const TypeBigramme *known = nullptr;
    for (const TypeBigramme &candidate : kTypeBigrammes)
      if (std::strcmp(candidate.name, type) == 0) {
        known = &candidate;
        break;
      }
    if (!known)
      failWithFileName(
          tr("fdcL-Error", "Unknown coverage type in FDC file %1", "%1 is a file name"));
    file.instrumentedTypes |= known->bits;
  }
}

void FdcReader::readBody(SourceFile &file) {
  if (!nextLine()) reportFatal(tr("fdcL-Error", "No data in FDC", "%1 is a file name"));
  model_.clearCurrentService();
  conditionIds_.clear();
  // The first line after TC is a record whatever it holds.
  const char *line;
  do {
    readRecord(file);
    line = nextLine();
  } while (line && !startsChecksumLine(line));
}

void FdcReader::readChecksum(SourceFile &file) {
  const QString badChecksumLine =
      tr("fdcL-Error", "Bad or missing DC in FDC file %1", "%1 is a file name");
  if (!lines_.line()) {
    // A DC line without line end is read as a DC line whose values are missing.
    const std::string_view rest = lines_.finalFragment();
    if (rest.size() >= 2 && rest.substr(0, 2) == "DC" &&
        (rest.size() == 2 || rest[2] == ' ' || rest[2] == '\t' || rest[2] == '\r'))
      ReadDecimal(nullptr, fdcNameText_);
    failWithFileName(badChecksumLine);
  }
  if (!isToken(lines_.nextToken(), "DC")) failWithFileName(badChecksumLine);
  file.checksum = ReadDecimal(lines_.nextToken(), fdcNameText_);
  if (const char *key = lines_.nextToken()) {
    file.fileKey = ReadDecimal(key, fdcNameText_);
    if (lines_.nextToken())
      failWithFileName(tr("fdcL-Error", "Garbage at the end of DC line checksum in FDC file %1",
                          "%1 is a file name"));
  }
}

bool FdcReader::findNextSection() {
  // Between two sections any text may stand; the next one is announced by the
  // marker inside at signs, and starts at the first VE line after the marker's line.
  bool inside = false;
  std::size_t matched = 0;
  for (;;) {
    const int c = lines_.readChar();
    if (c == EOF) return false;
    if (c == '@') {
      inside = !inside;
      matched = 0;
      continue;
    }
    if (!inside) continue;
    if (c != kSectionMarker[matched]) {
      matched = 0;
      continue;
    }
    if (++matched < sizeof kSectionMarker - 1) continue;

    int rest;
    do
      rest = lines_.readChar();
    while (rest != EOF && rest != '\n');
    if (!nextLine()) return false;
    if (isToken(lines_.nextToken(), "VE")) return true;
    matched = 0;
  }
}

uint32_t FdcReader::readNumber() {
  return ReadDecimal(lines_.nextToken(), fdcNameText_);
}

ConditionIdIndex &FdcReader::conditionIds(const Service &service) {
  if (conditionIds_.size() <= service.ordinal) conditionIds_.resize(service.ordinal + 1);
  return conditionIds_[service.ordinal];
}

void FdcReader::readLines(Service &service, Branch &branch) {
  branch.firstLine = readNumber();
  branch.lastLine = readNumber();
  if (branch.firstLine < service.firstLine) service.firstLine = branch.firstLine;
  if (branch.lastLine > service.lastLine) service.lastLine = branch.lastLine;
}

void FdcReader::readRecord(SourceFile &file) {
  const char *bigramme = lines_.nextToken();
  const int record = bigramme ? findIn(kRecordBigrammes, bigramme) : RecUnknown;
  const auto unknownBigramme = [&] {
    reportFatal(
        tr("fdcL-Error", "Unknown bigramme %1 in FDC file %2", "%1 is the text, %2 a file name")
            .arg(QString::fromLocal8Bit(bigramme ? bigramme : ""), fdcNameText_));
  };
  if (record == RecUnknown) unknownBigramme();
  // The bigramme token lives in the line buffer until the next line is read.
  const uint32_t id = readNumber();
  switch (record) {
  case RecProcedurePoint:
    return readProcedurePoint(file, id);
  case RecCall:
    return readCall(file, id);
  case RecBlock:
    return readBlock(file, id);
  case RecConditionPair:
    return readCondition(file, id, true);
  case RecSingleCondition:
    return readCondition(file, id, false);
  case RecComposition:
    return readComposition(file, id);
  default:
    unknownBigramme();
  }
}

int FdcReader::readKind(const char *const *kinds, std::size_t count, const QString &missing) {
  const char *token = lines_.nextToken();
  if (!token) failWithFileName(missing);
  const int kind = positionIn(kinds, count, token);
  return kind == static_cast<int>(count) ? -1 : kind;
}

void FdcReader::readProcedurePoint(SourceFile &file, uint32_t id) {
  const int kind =
      readKind(kProcedurePointKinds, std::size(kProcedurePointKinds),
               tr("fdcL-Error", "Missing tpr type in FDC file %1", "%1 is a file name"));
  if (kind < 0)
    failWithFileName(tr("fdcL-Error", "Unknown tpr type in FDC file %1", "%1 is a file name"));
  NameEntry *name = readName(QT_TRANSLATE_NOOP("fdcL-Error", "entity name in FDC file"));
  Service &service = model_.selectService(file, name);

  Branch *branch;
  if (kind == PointProc) {
    if (service.hasEntry)
      reportFatal(tr("fdcL-Error", "Multiple input in procedure %1", "%1 is a procedure name")
                      .arg(QString::fromLocal8Bit(name ? name->text : "")));
    service.hasEntry = true;
    service.entry = Branch{};
    service.staticCounts[CntFunctions] = 1;
    branch = &service.entry;
  } else {
    service.exits.push_back(ExitEntry{Branch{}, static_cast<uint8_t>(kind)});
    branch = &service.exits.back().branch;
  }
  branch->id = id;
  ++service.staticCounts[CntFunctionsExits];
  ++file.procedureBranchCount;
  readLines(service, *branch);
}

void FdcReader::readCall(SourceFile &file, uint32_t id) {
  NameEntry *caller = readName(QT_TRANSLATE_NOOP("fdcL-Error", "calling function in FDC file"));
  Service &service = model_.selectService(file, caller);
  NameEntry *called = readName(QT_TRANSLATE_NOOP("fdcL-Error", "called function in FDC file"));
  service.calls.push_back(CallEntry{Branch{}, called});
  Branch &branch = service.calls.back().branch;
  branch.id = id;
  ++service.staticCounts[CntCalls];
  ++file.callBranchCount;
  readLines(service, branch);
}

void FdcReader::readBlock(SourceFile &file, uint32_t id) {
  const int kind =
      readKind(kBlockKinds, std::size(kBlockKinds),
               tr("fdcL-Error", "Missing tb type in FDC file %1", "%1 is a file name"));
  if (kind < 0)
    reportFatal(withArgument(tr("fdcL-Error", "Unknown tb type in FDC file", "%1 is a file name"),
                             fdcNameText_));
  NameEntry *name = readName(QT_TRANSLATE_NOOP("fdcL-Error", "enclosing entity in FDC file"));
  Service &service = model_.selectService(file, name);
  const char *label = lines_.nextToken();
  if (!label)
    failWithFileName(tr("fdcL-Error", "Missing block label in FDC file %1", "%1 is a file name"));
  service.blocks.push_back(BlockEntry{Branch{}, static_cast<uint8_t>(kind), label});
  Branch &branch = service.blocks.back().branch;
  branch.id = id;
  ++service.staticCounts[CntStatementBlocks + kind];
  ++file.blockBranchCount;
  readLines(service, branch);
}

void FdcReader::readCondition(SourceFile &file, uint32_t id, bool outcomePair) {
  NameEntry *name = readName(QT_TRANSLATE_NOOP("fdcL-Error", "enclosing entity in FDC file"));
  Service &service = model_.selectService(file, name);
  std::string text;
  if (!lines_.nextQuotedText(text))
    reportFatal(tr("fdcL-Assertion", "Cannot retrieve correctly basic condition text"));
  service.texts.push_back(std::make_unique<std::string>(std::move(text)));
  const std::string *shared = service.texts.back().get();

  // A CE record is the True outcome (its ID) then the False outcome (ID + 1),
  // both showing the same text.
  const int outcomes = outcomePair ? 2 : 1;
  const auto first = static_cast<uint32_t>(service.conditions.size());
  ConditionIdIndex &ids = conditionIds(service);
  for (int k = 0; k < outcomes; ++k) {
    ConditionEntry entry;
    entry.branch.id = id + static_cast<uint32_t>(k);
    entry.kind = outcomePair ? CondBasic : CondSingle;
    entry.text = shared;
    service.conditions.push_back(entry);
    ids.add(entry.branch.id, first + static_cast<uint32_t>(k));
  }
  service.staticCounts[CntBasicConditions] += static_cast<uint32_t>(outcomes);
  file.conditionBranchCount += static_cast<uint32_t>(outcomes);

  Branch &trueBranch = service.conditions[first].branch;
  readLines(service, trueBranch);
  if (outcomePair) {
    Branch &falseBranch = service.conditions[first + 1].branch;
    falseBranch.firstLine = trueBranch.firstLine;
    falseBranch.lastLine = trueBranch.lastLine;
  }
}

void FdcReader::readComposition(SourceFile &file, uint32_t firstCaseId) {
  CompositionRecord record;
  record.firstCaseId = firstCaseId;
  record.conditionCount = static_cast<int16_t>(readNumber());
  if (record.conditionCount < 1)
    failWithFileName(tr("fdcL-Error", "Bad number of basic condition in a composition in file %1",
                        "%1 is a file name"));
  record.conditionIds.reserve(static_cast<std::size_t>(record.conditionCount));
  for (int i = 0; i < record.conditionCount; ++i)
    record.conditionIds.push_back(readNumber());
  record.caseCount = readNumber();
  if (record.caseCount == 0)
    failWithFileName(
        tr("fdcL-Error", "Bad number of cases in a composition in file %1", "%1 is a file name"));
  const char *cases = lines_.nextToken();
  if (!cases)
    failWithFileName(tr("fdcL-Error", "Bad cases or expression in a composition in file %1",
                        "%1 is a file name"));
  record.caseText = cases;
  if (const char *frontier = lines_.nextToken()) {
    record.frontier = ReadDecimal(frontier, fdcNameText_);
    if (record.frontier == 0xFFFFFFFF)
      failWithFileName(
          tr("fdcL-Error", "Bad frontier for a composition in file %1", "%1 is a file name"));
  }
  // A CC line names no service: it belongs to the service of the record before it.
  Service *service = model_.currentService();
  ConditionIdIndex none;
  AddComposition(file, service, service ? conditionIds(*service) : none, std::move(record),
                 fdcNameText_);
}
