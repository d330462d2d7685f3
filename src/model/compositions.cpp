// Compositions of conditions: checking a CC record, creating its compound
// condition vectors and evaluating the prefix expressions that give their outcomes.
#include "model/compositions.h"
#include "model/modified_conditions.h"

#include <memory>

#include "support/messages.h"

namespace {

constexpr uint32_t kExpressionForm = 0xFFFFFFFF;

[[noreturn]] void compositionError(const QString &text, const QString &fdcName) {
  reportFatal(text.arg(fdcName));
}

[[noreturn]] void badCasesOrExpression(const QString &fdcName) {
  compositionError(
      tr("fdcL-Error", "Bad cases or expression in a composition in file %1", "%1 is a file name"),
      fdcName);
}

/// Appends one compound condition vector (kind 2) with its text to the service.
void addCompoundVector(Service &service, ConditionIdIndex &ids, uint32_t id, std::string text,
                       uint32_t firstLine, uint32_t lastLine) {
  service.texts.push_back(std::make_unique<std::string>(std::move(text)));
  ConditionEntry entry;
  entry.branch.id = id;
  entry.branch.firstLine = firstLine;
  entry.branch.lastLine = lastLine;
  entry.kind = CondCompoundVector;
  entry.text = service.texts.back().get();
  const auto index = static_cast<uint32_t>(service.conditions.size());
  service.conditions.push_back(entry);
  ids.add(id, index);
}

} // namespace

ConditionIdIndex ConditionIdIndex::of(const Service &service) {
  ConditionIdIndex index;
  for (uint32_t i = 0; i < service.conditions.size(); ++i)
    index.add(service.conditions[i].branch.id, i);
  return index;
}

char CalculVector(std::string_view expression, uint32_t vector) {
  // Prefix notation read left to right: operators wait on a stack for their
  // operands, and each finished value is handed up until an operator still needs
  // its second operand. Both operands are always evaluated, so the k-th '.' is
  // always condition k.
  struct Pending {
    char op;         ///< N, A, a, O, o or X
    bool haveFirst;  ///< the first operand is known
    bool firstValue; ///< its value
  };
  std::vector<Pending> pending;
  uint32_t leaf = 0;
  std::size_t position = 0;
  for (;;) {
    if (position >= expression.size()) return 0;
    const char c = expression[position++];
    bool value = false;
    switch (c) {
    case '.':
      value = leaf < 32 && ((vector >> leaf) & 1u);
      ++leaf;
      break;
    case 'N':
    case 'A':
    case 'a':
    case 'O':
    case 'o':
    case 'X':
      pending.push_back(Pending{c, false, false});
      continue;
    default:
      reportInternal(tr("fdcL-Assertion", "Bad expression in CalculVector()"));
    }
    for (;;) {
      if (pending.empty()) return value ? 'T' : 'F';
      Pending &top = pending.back();
      if (top.op == 'N') {
        value = !value;
      } else if (!top.haveFirst) {
        top.haveFirst = true;
        top.firstValue = value;
        break;
      } else if (top.op == 'A' || top.op == 'a') {
        value = top.firstValue && value;
      } else if (top.op == 'O' || top.op == 'o') {
        value = top.firstValue || value;
      } else {
        value = top.firstValue != value;
      }
      pending.pop_back();
    }
  }
}

void AddComposition(SourceFile &file, Service *service, ConditionIdIndex &ids,
                    CompositionRecord record, const QString &fdcName) {
  const int n = record.conditionCount;
  const uint32_t m = record.caseCount;
  const bool expressionForm = record.frontier == kExpressionForm;

  if (n < 1 || record.conditionIds.size() != static_cast<std::size_t>(n))
    compositionError(tr("fdcL-Error", "Bad number of basic condition in a composition in file %1",
                        "%1 is a file name"),
                     fdcName);
  // The shape must hold before anything is indexed by it: m = 2^n cases for an
  // expression, n x m characters for the rows, and no more True rows than rows.
  // An expression makes 2^n vectors: beyond 20 conditions (a million vectors) a
  // few bytes of FDC text would ask for gigabytes, and no real decision has that
  // many conditions.
  if (expressionForm) {
    if (n > kMaxExpressionConditions || m != (uint32_t{1} << n)) badCasesOrExpression(fdcName);
    if (record.caseText.find_first_not_of(".NAaOoX") != std::string::npos)
      badCasesOrExpression(fdcName);
  } else {
    if (static_cast<uint64_t>(n) * m != record.caseText.size()) badCasesOrExpression(fdcName);
    if (record.frontier > m)
      compositionError(
          tr("fdcL-Error", "Bad frontier for a composition in file %1", "%1 is a file name"),
          fdcName);
  }

  const QString badComposition =
      tr("fdcL-Error", "Bad composition in file %1", "%1 is a file name");
  if (!service) compositionError(badComposition, fdcName);
  const int64_t firstCondition = ids.find(record.conditionIds.front());
  const int64_t lastCondition = ids.find(record.conditionIds.back());
  if (firstCondition < 0 || lastCondition < 0) compositionError(badComposition, fdcName);
  // Every condition named must be one of the service's.
  for (uint32_t id : record.conditionIds)
    if (ids.find(id) < 0) compositionError(badComposition, fdcName);
  const uint32_t firstLine = service->conditions[firstCondition].branch.firstLine;
  const uint32_t lastLine = service->conditions[lastCondition].branch.lastLine;

  Composition composition;
  composition.firstVector = static_cast<uint32_t>(service->conditions.size());
  composition.conditionCount = record.conditionCount;
  composition.conditionIds = std::move(record.conditionIds);
  composition.caseCount = m;
  composition.caseText = std::move(record.caseText);
  composition.frontier = record.frontier;

  for (uint32_t i = 0; i < m; ++i) {
    std::string text;
    text.reserve(static_cast<std::size_t>(n) + 2);
    char outcome;
    if (expressionForm) {
      for (int j = 0; j < n; ++j)
        text.push_back((i >> j) & 1u ? 'T' : 'F');
      outcome = CalculVector(composition.caseText, i);
      if (!outcome) badCasesOrExpression(fdcName);
      composition.outcomes.push_back(outcome);
    } else {
      text.append(composition.caseText, static_cast<std::size_t>(n) * i,
                  static_cast<std::size_t>(n));
      outcome = i < composition.frontier ? 'T' : 'F';
    }
    text.push_back('=');
    text.push_back(outcome);
    addCompoundVector(*service, ids, record.firstCaseId + i, std::move(text), firstLine, lastLine);
  }

  service->staticCounts[CntCompoundConditions] += m;
  file.conditionBranchCount += m;
  service->compositions.push_back(std::move(composition));
  ComputeModifiedConditions(*service, ids, &service->compositions.back());
  service->staticCounts[CntModifiedConditions] += static_cast<uint32_t>(n);
}
