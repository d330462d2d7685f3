#include "listing/annotation_list.h"

#include <algorithm>

#include "model/coverage_records.h"
#include "report/service_references.h"

namespace {

const char *const kKindTexts[AnnotKindCount] = {
    "Incoming",
    "Regular leaving",
    "Return",
    "Termination",
    "Call of",
    "Simple block",
    "Implicit block",
    "Logical block",
    "Asynchronous transfer block",
    "Basic condition",
    "Modified condition",
    "Compound condition",
    "Forced modified condition",
    "Forced compound condition",
};

uint8_t exitKind(const ServiceReference &ref) {
  switch (ref.kindLabel) {
  case LblReturnExitReference:
    return AnnotReturn;
  case LblTerminationExitReference:
    return AnnotTermination;
  default:
    return AnnotRegularLeaving;
  }
}

uint8_t blockKind(CoverageTypes type) {
  switch (type) {
  case CovImplicitBlocks:
    return AnnotImplicitBlock;
  case CovLoops:
    return AnnotLogicalBlock;
  case CovAsyncBlocks:
    return AnnotAsyncBlock;
  default:
    return AnnotSimpleBlock;
  }
}

bool isHit(const ServiceReference &ref) {
  return ref.item && (ref.item->flags & FlagEverHit) != 0;
}

} // namespace

const char *listingKindText(uint8_t kind) {
  return kind < AnnotKindCount ? kKindTexts[kind] : "";
}

void AnnotationList::add(const ListingAnnotation &annotation) {
  entries_.push_back(annotation);
  ListingAnnotation &added = entries_.back();
  // An item the instrumentation could not place (line 0) belongs to the first line.
  if (added.line == 0) added.line = 1;
  if (entries_.size() > 1 && added.line < entries_[entries_.size() - 2].line) ordered_ = false;
}

const std::vector<ListingAnnotation> &AnnotationList::entries() {
  if (!ordered_) {
    std::stable_sort(
        entries_.begin(), entries_.end(),
        [](const ListingAnnotation &a, const ListingAnnotation &b) { return a.line < b.line; });
    ordered_ = true;
  }
  return entries_;
}

void AnnotationList::clear() {
  entries_.clear();
  ordered_ = true;
}

void AnnotationList::addService(const Service &service, CoverageTypes mask) {
  auto place = [this](const ServiceReference &ref, uint8_t kind, uint32_t line, const char *text,
                      const char *detail) {
    ListingAnnotation annotation;
    annotation.line = line;
    annotation.hit = isHit(ref);
    annotation.kind = kind;
    annotation.text = text;
    annotation.detail = detail;
    annotation.noPair = ref.noPair;
    annotation.item = ref.item;
    add(annotation);
  };

  if (mask & CovFunctions)
    forEachReference(service, CovFunctions, [&](const ServiceReference &ref) {
      place(ref, AnnotIncoming, ref.line, nullptr, nullptr);
    });
  if (mask & CovFunctionsExits)
    forEachReference(service, CovFunctionsExits, [&](const ServiceReference &ref) {
      place(ref, exitKind(ref), ref.line, nullptr, nullptr);
    });
  if (mask & CovCalls)
    forEachReference(service, CovCalls, [&](const ServiceReference &ref) {
      place(ref, AnnotCall, ref.line, ref.kindText, nullptr);
    });
  if (mask & CovStatementBlocks) {
    // Simple blocks always; the other kinds when their own bit is there too.
    const CoverageTypes blocks =
        CovStatementBlocks | (mask & (CovImplicitBlocks | CovLoops | CovAsyncBlocks));
    forEachBlockReference(service, blocks, [&](const ServiceReference &ref) {
      place(ref, blockKind(ref.type), ref.line, ref.kindText, nullptr);
    });
  }
  // Without basic conditions no condition of any kind is annotated.
  if (!(mask & CovBasicConditions)) return;
  forEachReference(service, CovBasicConditions, [&](const ServiceReference &ref) {
    // A condition of one outcome is placed where it ends.
    place(ref, AnnotBasicCondition, ref.singleCondition ? ref.lastLine : ref.line, ref.kindText,
          ref.detail);
  });
  const bool forced = (mask & CovForcedConditions) != 0;
  if (mask & CovModifiedConditions)
    forEachReference(service, CovModifiedConditions, [&](const ServiceReference &ref) {
      place(ref, forced ? AnnotForcedModifiedCondition : AnnotModifiedCondition, ref.line,
            ref.kindText, ref.noPair ? "no vectors pair found" : ref.detail);
    });
  if (mask & CovCompoundConditions)
    forEachReference(service, CovCompoundConditions, [&](const ServiceReference &ref) {
      // A vector is placed on the last line of its decision.
      place(ref, forced ? AnnotForcedCompoundCondition : AnnotCompoundCondition, ref.lastLine,
            ref.kindText, nullptr);
    });
}
