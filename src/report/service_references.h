// The source references of a service, one coverage type at a time, in the order
// of the service's lists: what the text report lists under a rate line, and what
// the listings and the path trace place on source lines.
#pragma once

#include <cstdint>

#include "model/coverage_records.h"
#include "report/report_labels.h"

/// One item of a service as the outputs show it.
struct ServiceReference {
  /// Its coverage-type bit (CovFunctions for the entry, CovFunctionsExits for an
  /// exit, a block bit by kind, CovBasicConditions, CovModifiedConditions,
  /// CovCompoundConditions).
  CoverageTypes type = 0;
  /// The kind from the label table (entry and exits), or LblCount when the kind
  /// is `kindText`.
  ReportLabel kindLabel = LblCount;
  /// Called name, block label, condition or vector text; empty for entries and
  /// exits.
  const char *kindText = "";
  /// "True" or "False" for a basic condition of two outcomes, the pair label of
  /// a modified condition; null when there is none.
  const char *detail = nullptr;
  /// A modified condition without any pair (its detail is the label row
  /// LblNoVectorsPair).
  bool noPair = false;
  /// The branch or item, with its hit state.
  const HitState *item = nullptr;
  /// The source line where the text report shows it: implicit blocks on their
  /// last line, a modified condition on its condition's first line, anything
  /// else on its first line.
  uint32_t line = 0;
  /// The item's last line (its condition's for a modified condition).
  uint32_t lastLine = 0;
  /// A condition entry of a CA record (one outcome, no True/False detail).
  bool singleCondition = false;
};

/// The kind text of a reference in a column of the label table.
inline const char *referenceKind(const ServiceReference &reference, int column) {
  return reference.kindLabel == LblCount ? reference.kindText
                                         : kReportLabels.get(reference.kindLabel, column);
}

/// Calls `visit(const ServiceReference &)` for each block of the service whose
/// block bit (CovStatementBlocks, CovImplicitBlocks, CovLoops, CovAsyncBlocks) is
/// in `types`, in list order, blocks of different kinds interleaved as they are
/// listed; `type` of each reference is its block bit.
template <typename Visit>
void forEachBlockReference(const Service &service, CoverageTypes types, Visit &&visit);

/// Calls `visit(const ServiceReference &)` for each item of the service of one
/// coverage type, in list order. `type` is one of: CovFunctions (the entry),
/// CovFunctionsExits (the exits only), CovCalls, CovStatementBlocks,
/// CovImplicitBlocks, CovLoops, CovAsyncBlocks, CovBasicConditions,
/// CovModifiedConditions, CovCompoundConditions.
template <typename Visit>
void forEachReference(const Service &service, CoverageTypes type, Visit &&visit);

// Implementation.

namespace service_references_detail {

inline const char *textOf(const ConditionEntry &entry) {
  return entry.text ? entry.text->c_str() : "";
}

inline CoverageTypes blockTypeOf(uint8_t kind) {
  switch (kind) {
  case BlockSimple:
    return CovStatementBlocks;
  case BlockImplicit:
    return CovImplicitBlocks;
  case BlockLogical:
    return CovLoops;
  case BlockAsync:
    return CovAsyncBlocks;
  default:
    return 0;
  }
}

} // namespace service_references_detail

template <typename Visit>
void forEachBlockReference(const Service &service, CoverageTypes types, Visit &&visit) {
  using namespace service_references_detail;
  ServiceReference ref;
  for (const BlockEntry &block : service.blocks) {
    const CoverageTypes type = blockTypeOf(block.kind);
    if (!(type & types)) continue;
    ref.type = type;
    ref.kindText = block.label.c_str();
    ref.item = &block.branch;
    // An implicit block is placed where it ends.
    ref.line = block.kind == BlockImplicit ? block.branch.lastLine : block.branch.firstLine;
    ref.lastLine = block.branch.lastLine;
    visit(static_cast<const ServiceReference &>(ref));
  }
}

template <typename Visit>
void forEachReference(const Service &service, CoverageTypes type, Visit &&visit) {
  using namespace service_references_detail;
  ServiceReference ref;
  ref.type = type;
  switch (type) {
  case CovFunctions:
    if (!service.hasEntry) return;
    ref.kindLabel = LblEntryReference;
    ref.item = &service.entry;
    ref.line = service.entry.firstLine;
    ref.lastLine = service.entry.lastLine;
    visit(static_cast<const ServiceReference &>(ref));
    return;
  case CovFunctionsExits:
    for (const ExitEntry &exit : service.exits) {
      switch (exit.kind) {
      case ExitRegular:
        ref.kindLabel = LblRegularExitReference;
        break;
      case ExitReturn:
        ref.kindLabel = LblReturnExitReference;
        break;
      case ExitTermination:
        ref.kindLabel = LblTerminationExitReference;
        break;
      default:
        continue;
      }
      ref.item = &exit.branch;
      ref.line = exit.branch.firstLine;
      ref.lastLine = exit.branch.lastLine;
      visit(static_cast<const ServiceReference &>(ref));
    }
    return;
  case CovCalls:
    for (const CallEntry &call : service.calls) {
      ref.kindText = call.calledName ? call.calledName->text : "";
      ref.item = &call.branch;
      ref.line = call.branch.firstLine;
      ref.lastLine = call.branch.lastLine;
      visit(static_cast<const ServiceReference &>(ref));
    }
    return;
  case CovStatementBlocks:
  case CovImplicitBlocks:
  case CovLoops:
  case CovAsyncBlocks:
    forEachBlockReference(service, type, visit);
    return;
  case CovBasicConditions: {
    const std::vector<ConditionEntry> &conditions = service.conditions;
    for (size_t i = 0; i < conditions.size(); ++i) {
      const ConditionEntry &entry = conditions[i];
      if (entry.kind == CondCompoundVector) continue;
      ref.detail = nullptr;
      if (entry.kind != CondSingle) {
        // The True outcome is followed by the False outcome sharing its text.
        const bool isTrue = i + 1 < conditions.size() && conditions[i + 1].text == entry.text;
        ref.detail = isTrue ? "True" : "False";
      }
      ref.kindText = textOf(entry);
      ref.item = &entry.branch;
      ref.line = entry.branch.firstLine;
      ref.lastLine = entry.branch.lastLine;
      ref.singleCondition = entry.kind == CondSingle;
      visit(static_cast<const ServiceReference &>(ref));
    }
    return;
  }
  case CovModifiedConditions:
    for (const Composition &composition : service.compositions) {
      for (const ModifiedCondition &item : composition.items) {
        ref.kindText = "";
        ref.line = 0;
        ref.lastLine = 0;
        if (item.condition < service.conditions.size()) {
          const ConditionEntry &condition = service.conditions[item.condition];
          ref.kindText = textOf(condition);
          ref.line = condition.branch.firstLine;
          ref.lastLine = condition.branch.lastLine;
        }
        ref.noPair = item.label.empty();
        ref.detail = ref.noPair ? nullptr : item.label.c_str();
        ref.item = &item;
        visit(static_cast<const ServiceReference &>(ref));
      }
    }
    return;
  case CovCompoundConditions:
    for (const Composition &composition : service.compositions) {
      for (uint32_t k = 0; k < composition.caseCount; ++k) {
        const size_t index = size_t(composition.firstVector) + k;
        if (index >= service.conditions.size()) break;
        const ConditionEntry &vector = service.conditions[index];
        ref.kindText = textOf(vector);
        ref.item = &vector.branch;
        ref.line = vector.branch.firstLine;
        ref.lastLine = vector.branch.lastLine;
        visit(static_cast<const ServiceReference &>(ref));
      }
    }
    return;
  default:
    return;
  }
}
