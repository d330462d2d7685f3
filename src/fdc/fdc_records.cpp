// The record lines of a section body: procedure points, calls, blocks, basic
// conditions and compositions.
#include <cstring>
#include <memory>

#include "fdc/fdc_file_reader.h"
#include "fdc/fdc_messages.h"
#include "support/messages.h"
#include "support/numbers.h"

namespace {

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

/// Position of a token in a table, or the table size when absent.
template <std::size_t N> int findIn(const char *const (&table)[N], const char *token) {
  int i = 0;
  for (; i < static_cast<int>(N); ++i)
    if (std::strcmp(table[i], token) == 0) break;
  return i;
}

} // namespace

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

void FdcReader::readProcedurePoint(SourceFile &file, uint32_t id) {
  const char *kindToken = lines_.nextToken();
  if (!kindToken)
    failWithFileName(tr("fdcL-Error", "Missing tpr type in FDC file %1", "%1 is a file name"));
  const int kind = findIn(kProcedurePointKinds, kindToken);
  if (kind == static_cast<int>(std::size(kProcedurePointKinds)))
    failWithFileName(tr("fdcL-Error", "Unknown tpr type in FDC file %1", "%1 is a file name"));
  NameEntry *name = readName(QT_TRANSLATE_NOOP("fdcL-Error", "entity name in FDC file"));
  Service &service = model_.SelectService(file, name);

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
  Service &service = model_.SelectService(file, caller);
  NameEntry *called = readName(QT_TRANSLATE_NOOP("fdcL-Error", "called function in FDC file"));
  service.calls.push_back(CallEntry{Branch{}, called});
  Branch &branch = service.calls.back().branch;
  branch.id = id;
  ++service.staticCounts[CntCalls];
  ++file.callBranchCount;
  readLines(service, branch);
}

void FdcReader::readBlock(SourceFile &file, uint32_t id) {
  const char *kindToken = lines_.nextToken();
  if (!kindToken)
    failWithFileName(tr("fdcL-Error", "Missing tb type in FDC file %1", "%1 is a file name"));
  const int kind = findIn(kBlockKinds, kindToken);
  if (kind == static_cast<int>(std::size(kBlockKinds)))
    reportFatal(withArgument(tr("fdcL-Error", "Unknown tb type in FDC file", "%1 is a file name"),
                             fdcNameText_));
  NameEntry *name = readName(QT_TRANSLATE_NOOP("fdcL-Error", "enclosing entity in FDC file"));
  Service &service = model_.SelectService(file, name);
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
  Service &service = model_.SelectService(file, name);
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
