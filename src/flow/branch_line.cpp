#include "flow/branch_line.h"

#include "model/service_items.h"
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
  const Service &service = *found.service;
  if (found.type == CovFunctions && !service.hasEntry)
    reportInternal(tr("Internal Error", "No entry point in proc"));
  ServiceItem item;
  // Compound condition vectors have no line of their own.
  if (!itemOfLookup(found, item) || item.kind == ItemCompoundVector) return;
  const std::string_view serviceName = nameText(service.name);
  switch (item.kind) {
  case ItemEntry:
    appendLine(text, labels.entry, &serviceName, labels, item.line);
    return;
  case ItemRegularExit:
  case ItemReturnExit:
  case ItemTerminationExit:
    appendLine(text, labels.exits[item.kind - ItemRegularExit], &serviceName, labels, item.line);
    return;
  case ItemBasicCondition: {
    // The outcome, "True" or "False", of a condition of two outcomes.
    const std::string_view outcome = item.detail ? item.detail : "";
    appendLine(text, item.text, item.detail ? &outcome : nullptr, labels, item.line);
    return;
  }
  default:
    // A call or a block, in its function.
    appendLine(text, item.text, &serviceName, labels, item.line);
    return;
  }
}
