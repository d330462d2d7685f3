#include "flow/branch_line.h"

#include "model/coverage_records.h"
#include "report/report_labels.h"
#include "support/coverage_types.h"
#include "support/messages.h"

namespace {

std::string_view nameText(const NameEntry *name) {
  return name ? std::string_view(name->text, name->length) : std::string_view();
}

/// "\t%s%s%s, %s %lu\n": the label, " " and the second text when there is one.
void appendLine(std::string &text, std::string_view label, const std::string_view *second,
                const BranchLineLabels &labels, uint32_t line) {
  text += '\t';
  text += label;
  if (second) {
    text += ' ';
    text += *second;
  }
  text += ", ";
  text += labels.line;
  text += ' ';
  char digits[10];
  char *first = digits + sizeof digits;
  do {
    *--first = static_cast<char>('0' + line % 10);
    line /= 10;
  } while (line != 0);
  text.append(first, digits + sizeof digits);
  text += '\n';
}

} // namespace

BranchLineLabels branchLineLabels(int language) {
  BranchLineLabels labels;
  labels.entry = kReportLabels.get(LblEntryReference, language);
  labels.exits[0] = kReportLabels.get(LblRegularExitReference, language);
  labels.exits[1] = kReportLabels.get(LblReturnExitReference, language);
  labels.exits[2] = kReportLabels.get(LblTerminationExitReference, language);
  labels.line = kReportLabels.get(LblLineWord, language);
  return labels;
}

void appendBranchLine(std::string &text, const BranchLookup &found,
                      const BranchLineLabels &labels) {
  Service &service = *found.service;
  const std::string_view serviceName = nameText(service.name);
  switch (found.type) {
  case CovFunctions:
    if (!service.entryBranch()) reportInternal(tr("Internal Error", "No entry point in proc"));
    appendLine(text, labels.entry, &serviceName, labels, service.entry.firstLine);
    return;
  case CovFunctionsExits: {
    const ExitEntry &exit = service.exits[found.entryIndex];
    if (exit.kind < ExitRegular || exit.kind > ExitTermination) return;
    appendLine(text, labels.exits[exit.kind - 1], &serviceName, labels, exit.branch.firstLine);
    return;
  }
  case CovCalls: {
    const CallEntry &call = service.calls[found.entryIndex];
    appendLine(text, nameText(call.calledName), &serviceName, labels, call.branch.firstLine);
    return;
  }
  case CovStatementBlocks:
  case CovImplicitBlocks:
  case CovLoops:
  case CovAsyncBlocks: {
    const BlockEntry &block = service.blocks[found.entryIndex];
    // An implicit block (an else that is not written) is shown where it ends.
    const uint32_t line =
        block.kind == BlockImplicit ? block.branch.lastLine : block.branch.firstLine;
    appendLine(text, block.label, &serviceName, labels, line);
    return;
  }
  case CovBasicConditions: {
    const std::vector<ConditionEntry> &conditions = service.conditions;
    const ConditionEntry &condition = conditions[found.entryIndex];
    const std::string_view conditionText =
        condition.text ? std::string_view(*condition.text) : std::string_view();
    if (condition.kind == CondSingle) {
      appendLine(text, conditionText, nullptr, labels, condition.branch.firstLine);
      return;
    }
    // The True outcome is followed by the False outcome sharing its text.
    const bool isTrue = found.entryIndex + 1 < conditions.size() &&
                        conditions[found.entryIndex + 1].text == condition.text;
    const std::string_view outcome = isTrue ? "True" : "False";
    appendLine(text, conditionText, &outcome, labels, condition.branch.firstLine);
    return;
  }
  default:
    // Compound condition vectors have no line of their own.
    return;
  }
}
