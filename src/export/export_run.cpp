#include "export/export_run.h"

#include <iterator>

namespace {

/// Position of a type in kGateTypes.
std::size_t indexOf(const GateType &type) {
  return static_cast<std::size_t>(&type - kGateTypes);
}

const char *const kKeys[std::size(kGateTypes)] = {
    "functions",
    "functionsAndExits",
    "calls",
    "statementBlocks",
    "implicitBlocks",
    "decisions",
    "loops",
    "asynchronousTransferBlocks",
    "basicConditions",
    "modifiedConditions",
    "compoundConditions",
};

const char *const kLabels[std::size(kGateTypes)] = {
    "Functions",
    "Functions and exits",
    "Calls",
    "Statement blocks",
    "Implicit blocks",
    "Decisions",
    "Loops",
    "Asynchronous transfer blocks",
    "Basic conditions",
    "Modified conditions",
    "Multiple conditions",
};

} // namespace

void concludeRun(ExportRun &run) {
  const ReportScope &scope = *run.scope;
  if (run.options->global) {
    run.totals = scope.selectedTotals;
    run.hits = scope.selectedHits(HitSet::Run);
  } else {
    run.totals = scope.concludedTotals;
    run.hits = sumHits(scope.concludedServices, HitSet::Run);
  }
}

const char *typeLabel(const GateType &type, CoverageTypes mask) {
  if (mask & CovForcedConditions) {
    if (type.type == CovModifiedConditions) return "Forced modified conditions";
    if (type.type == CovCompoundConditions) return "Forced multiple conditions";
  }
  return kLabels[indexOf(type)];
}

const char *typeKey(const GateType &type) {
  return kKeys[indexOf(type)];
}
