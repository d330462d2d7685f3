#include "listing/annotation_list.h"

#include <algorithm>

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
  const bool forced = (mask & CovForcedConditions) != 0;
  forEachPlacedItem(service, mask, [&](const ServiceItem &item) {
    ListingAnnotation annotation;
    annotation.line = item.placedLine;
    annotation.hit = item.hitInRun();
    annotation.kind = item.kind;
    if (forced && item.kind == ItemModifiedCondition)
      annotation.kind = AnnotForcedModifiedCondition;
    if (forced && item.kind == ItemCompoundVector) annotation.kind = AnnotForcedCompoundCondition;
    // The entry and the exits have no text of their own.
    if (item.kind > ItemTerminationExit) annotation.text = item.text;
    annotation.detail = item.noPair ? "no vectors pair found" : item.detail;
    annotation.noPair = item.noPair;
    annotation.item = item.state;
    add(annotation);
  });
}
