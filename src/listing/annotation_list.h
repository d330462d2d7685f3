// The annotations of a listing: one entry per item of the selected services of a
// file, placed on a source line, in line order.
#pragma once

#include <cstdint>
#include <vector>

#include "model/service_items.h"
#include "support/coverage_types.h"

/// Kinds of annotations: the kind of the item (ItemKind), or one of the forced
/// kinds that the modified and compound conditions take with forced conditions.
/// The value indexes the kind texts.
enum ListingKind : uint8_t {
  AnnotForcedModifiedCondition = ItemKindCount,
  AnnotForcedCompoundCondition,
  AnnotKindCount,
};

/// The text of a kind, the same whatever the report language.
const char *listingKindText(uint8_t kind);

/// One item placed on a source line.
struct ListingAnnotation {
  /// The source line (1 for an item placed on line 0).
  uint32_t line = 0;
  /// Some selected test of the run hit the item.
  bool hit = false;
  /// ItemKind or ListingKind.
  uint8_t kind = ItemEntry;
  /// Called name, block label, condition or vector text; null when none.
  const char *text = nullptr;
  /// "True", "False", a pair label or "no vectors pair found"; null when none.
  const char *detail = nullptr;
  /// A modified condition without any pair (its detail is "no vectors pair found").
  bool noPair = false;
  /// The branch or modified-condition item, with its hit counts; null when none.
  const HitState *item = nullptr;
};

/// Annotations ordered by line; entries of one line stay in the order in which
/// they were added. The texts point into the model.
class AnnotationList {
public:
  /// Adds the items of a service that `mask` places on source lines
  /// (forEachPlacedItem).
  void addService(const Service &service, CoverageTypes mask);
  /// Adds one entry.
  void add(const ListingAnnotation &annotation);
  /// The entries in line order.
  const std::vector<ListingAnnotation> &entries();
  void clear();

private:
  std::vector<ListingAnnotation> entries_;
  /// Whether entries_ is in line order.
  bool ordered_ = true;
};
