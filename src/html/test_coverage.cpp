#include "html/test_coverage.h"

#include <algorithm>
#include <unordered_map>

#include "export/line_coverage.h"
#include "model/service_items.h"
#include "report/test_attribution.h"

namespace {

/// The sets of tests of a service's items that some test hit, by hit state.
std::unordered_map<const HitState *, const TestSet *> setsOf(const TestAttribution &attribution,
                                                             const Service &service) {
  std::unordered_map<const HitState *, const TestSet *> sets;
  attribution.forEachHitItem(
      service, [&](const HitState &item, const TestSet &tests) { sets.emplace(&item, &tests); });
  return sets;
}

} // namespace

std::map<uint32_t, std::vector<uint32_t>>
testsByLine(const TestAttribution &attribution, const FileSummary &summary, CoverageTypes mask) {
  std::map<uint32_t, std::vector<uint32_t>> lines;
  for (const Service *service : summary.services) {
    const std::unordered_map<const HitState *, const TestSet *> sets =
        setsOf(attribution, *service);
    if (sets.empty()) continue;
    forEachPlacedItem(*service, mask, [&](const ServiceItem &item) {
      if (!runsItsLine(item)) return;
      const auto found = sets.find(item.state);
      if (found == sets.end()) return;
      std::vector<uint32_t> &tests = lines[item.placedLine];
      found->second->forEach([&](uint32_t ordinal) { tests.push_back(ordinal); });
    });
  }
  for (auto &[line, tests] : lines) {
    std::sort(tests.begin(), tests.end());
    tests.erase(std::unique(tests.begin(), tests.end()), tests.end());
  }
  return lines;
}

std::vector<std::vector<TestItem>> itemsByTest(const TestAttribution &attribution,
                                               const ReportScope &scope) {
  std::vector<std::vector<TestItem>> tests(attribution.testCount());
  for (uint32_t f = 0; f < scope.files.size(); ++f) {
    const FileSummary &summary = scope.files[f];
    const CoverageTypes mask = scope.fileMask(*summary.file);
    for (const Service *service : summary.services) {
      const std::unordered_map<const HitState *, const TestSet *> sets =
          setsOf(attribution, *service);
      if (sets.empty()) continue;
      forEachPlacedItem(*service, mask, [&](const ServiceItem &item) {
        const auto found = sets.find(item.state);
        if (found == sets.end()) return;
        TestItem hit;
        hit.file = f;
        hit.line = item.placedLine;
        hit.kind = static_cast<uint8_t>(item.kind);
        hit.text = item.text;
        hit.detail = item.detail;
        hit.only = found->second->size() == 1;
        found->second->forEach([&](uint32_t ordinal) { tests.at(ordinal).push_back(hit); });
      });
    }
  }
  // By file, then by line: the order of the file's page.
  for (std::vector<TestItem> &items : tests)
    std::stable_sort(items.begin(), items.end(), [](const TestItem &a, const TestItem &b) {
      return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
  return tests;
}
