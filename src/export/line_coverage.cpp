#include "export/line_coverage.h"

#include <algorithm>
#include <cstring>

#include "model/service_items.h"

LineTotals &LineTotals::operator+=(const LineTotals &other) {
  linesValid += other.linesValid;
  linesCovered += other.linesCovered;
  branchesValid += other.branchesValid;
  branchesCovered += other.branchesCovered;
  return *this;
}

bool runsItsLine(const ServiceItem &item) {
  switch (item.kind) {
  case ItemImplicitBlock:
  case ItemModifiedCondition:
  case ItemCompoundVector:
    return false;
  default:
    return true;
  }
}

std::vector<LineCoverage> serviceLines(const Service &service, CoverageTypes mask,
                                       bool countOriented) {
  std::vector<LineCoverage> items;
  // The True outcome just met, whose condition the next False outcome completes.
  const ServiceItem *lastTrue = nullptr;
  ServiceItem trueOutcome;
  forEachPlacedItem(service, mask, [&](const ServiceItem &placed) {
    const ServiceItem *previousTrue = lastTrue;
    lastTrue = nullptr;
    if (!runsItsLine(placed)) return;
    LineCoverage item;
    item.line = placed.placedLine;
    const bool hit = placed.hitInRun();
    item.hits = hit ? 1 : 0;
    if (countOriented && hit) item.hits = std::max<uint32_t>(placed.state->totalHits, 1);
    if (placed.type == CovBasicConditions) {
      item.outcomes = 1;
      item.outcomesHit = hit ? 1 : 0;
      const bool isTrue = placed.detail && std::strcmp(placed.detail, "True") == 0;
      const bool isFalse = placed.detail && std::strcmp(placed.detail, "False") == 0;
      // A condition ran its line as often as both its outcomes were taken.
      if (isFalse && previousTrue && previousTrue->text == placed.text &&
          previousTrue->placedLine == placed.placedLine && countOriented &&
          previousTrue->hitInRun()) {
        const uint64_t both =
            uint64_t{item.hits} + std::max<uint32_t>(previousTrue->state->totalHits, 1);
        item.hits = static_cast<uint32_t>(std::min<uint64_t>(both, UINT32_MAX));
      }
      if (isTrue) {
        trueOutcome = placed;
        lastTrue = &trueOutcome;
      }
    }
    items.push_back(item);
  });
  return combineLines(std::move(items));
}

std::vector<LineCoverage> combineLines(std::vector<LineCoverage> items) {
  std::stable_sort(items.begin(), items.end(),
                   [](const LineCoverage &a, const LineCoverage &b) { return a.line < b.line; });
  std::vector<LineCoverage> lines;
  for (const LineCoverage &item : items) {
    if (lines.empty() || lines.back().line != item.line) {
      lines.push_back(item);
      continue;
    }
    LineCoverage &line = lines.back();
    line.hits = std::max(line.hits, item.hits);
    line.outcomes += item.outcomes;
    line.outcomesHit += item.outcomesHit;
  }
  return lines;
}

LineTotals totalsOf(const std::vector<LineCoverage> &lines) {
  LineTotals totals;
  for (const LineCoverage &line : lines) {
    ++totals.linesValid;
    if (line.hits) ++totals.linesCovered;
    totals.branchesValid += line.outcomes;
    totals.branchesCovered += line.outcomesHit;
  }
  return totals;
}
