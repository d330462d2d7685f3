// How a source line that carries items is covered, from the items placed on it:
// what the listings mark and every other view of a source colours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "listing/annotation_list.h"

/// The coverage of a line with items.
enum class LineHitState : uint8_t {
  Hit,       ///< every item of the line was hit
  PartlyHit, ///< some items hit, some not
  NotHit,    ///< no item of the line was hit
};

/// The state of a line holding `items` items of which `missed` were not hit
/// (`items` > 0).
inline LineHitState classifyLine(std::size_t items, std::size_t missed) {
  if (missed == 0) return LineHitState::Hit;
  return missed < items ? LineHitState::PartlyHit : LineHitState::NotHit;
}

/// The annotations of one source line: entries [first, end) of a list in line order.
struct AnnotatedLine {
  uint32_t line = 0;
  std::size_t first = 0;
  std::size_t end = 0;
  /// Entries not hit.
  std::size_t missed = 0;
  LineHitState state = LineHitState::Hit;
};

/// Calls `visit(const AnnotatedLine &)` for each run of consecutive entries of one
/// line, in list order.
template <typename Visit>
void forEachAnnotatedLine(const std::vector<ListingAnnotation> &annotations, Visit &&visit) {
  for (std::size_t first = 0; first < annotations.size();) {
    AnnotatedLine group;
    group.line = annotations[first].line;
    group.first = first;
    group.end = first;
    while (group.end < annotations.size() && annotations[group.end].line == group.line) {
      if (!annotations[group.end].hit) ++group.missed;
      ++group.end;
    }
    group.state = classifyLine(group.end - group.first, group.missed);
    visit(static_cast<const AnnotatedLine &>(group));
    first = group.end;
  }
}
