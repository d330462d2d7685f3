#include "export/json_report.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <string>
#include <unordered_map>

#include "export/coverage_gate.h"
#include "export/export_run.h"
#include "export/export_text.h"
#include "export/line_coverage.h"
#include "model/service_items.h"
#include "report/report_scope.h"
#include "report/test_attribution.h"
#include "support/rated_types.h"
#include "support/run_clock.h"
#include "support/run_settings.h"
#include "support/source_map.h"
#include "support/tool_version.h"
#include "trace/test_state.h"

namespace {

/// The JSON names of the coverage-type bits of a mask, in the order of the rated
/// types, then "forcedConditions".
void writeTypes(JsonTextWriter &json, std::string_view key, CoverageTypes mask) {
  json.key(key);
  json.beginArray(true);
  for (const RatedType &rated : kRatedTypes)
    if (rated.id != RatedDecisions && (mask & rated.type)) json.string(rated.key);
  if (mask & CovForcedConditions) json.string(coverageTypeKey(CovForcedConditions));
  json.endArray();
}

/// {"<type>": {"hit": h, "total": t}, ...} for the types of the mask; a type
/// without items also says why, as the report's rate does: "none" when the
/// files were instrumented for it, "n/a" when they were not.
void writeCoverage(JsonTextWriter &json, const CoverageCounts &totals, const CoverageCounts &hits,
                   CoverageTypes mask, CoverageTypes instrumented) {
  json.key("coverage");
  json.beginObject(true);
  for (const RatedType &rated : kRatedTypes) {
    if (!(mask & rated.type)) continue;
    json.key(rated.key);
    json.beginObject();
    json.member("hit", ratedValue(hits, rated));
    const uint64_t total = ratedValue(totals, rated);
    json.member("total", total);
    if (total == 0) json.member("empty", (instrumented & rated.type) ? "none" : "n/a");
    json.endObject();
  }
  json.endObject();
}

/// Condition texts are written in FDC files with their quotes; the JSON gives
/// the condition alone.
std::string_view withoutQuotes(const char *text) {
  std::string_view view(text);
  if (view.size() >= 2 && view.front() == '"' && view.back() == '"')
    view = view.substr(1, view.size() - 2);
  return view;
}

/// The text of an item as the JSON gives it.
std::string_view itemText(const ServiceItem &item) {
  const bool condition = item.kind == ItemBasicCondition || item.kind == ItemModifiedCondition;
  return condition ? withoutQuotes(item.text) : std::string_view(item.text);
}

/// The kind of each item in the JSON output, by ItemKind.
const char *const kItemKinds[ItemKindCount] = {
    "entry",
    "regular-exit",
    "return",
    "termination",
    "call",
    "simple-block",
    "implicit-block",
    "logical-block",
    "asynchronous-transfer-block",
    "basic-condition",
    "modified-condition",
    "compound-condition",
};

/// Which hits an item list reads.
enum class ItemHits {
  Run,  ///< over the run
  Test, ///< in the test that just ended
};

bool itemHit(const ServiceItem &item, ItemHits set) {
  return set == ItemHits::Run ? item.hitInRun() : item.state->hits != 0;
}

/// The tests that hit each item of a service, when they were recorded.
using ItemTests = std::unordered_map<const HitState *, const TestSet *>;

ItemTests itemTests(const Service &service, const TestAttribution *attribution) {
  ItemTests tests;
  if (attribution)
    attribution->forEachHitItem(
        service, [&](const HitState &item, const TestSet &set) { tests.emplace(&item, &set); });
  return tests;
}

/// "tests": the ordinals of a set in the "tests" array.
void writeOrdinals(JsonTextWriter &json, const TestSet *tests) {
  json.key("tests");
  json.beginArray(true);
  if (tests) tests->forEach([&](uint32_t ordinal) { json.number(uint64_t{ordinal}); });
  json.endArray();
}

/// The items of a service that were hit (`hit`) or not: "hit" or "unhit". Hit
/// items of a count-oriented run carry their count, and the tests that hit them
/// when those were recorded (`tests`).
void writeItems(JsonTextWriter &json, const Service &service, CoverageTypes mask, ItemHits set,
                bool hit, bool countOriented, const ItemTests *tests = nullptr) {
  json.key(hit ? "hit" : "unhit");
  json.beginArray();
  forEachPlacedItem(service, mask, [&](const ServiceItem &item) {
    if (itemHit(item, set) != hit) return;
    json.beginObject(true);
    json.member("type", coverageTypeKey(item.type));
    json.member("kind", kItemKinds[item.kind]);
    if (*item.text) json.member("text", itemText(item));
    if (item.detail) json.member("detail", item.detail);
    json.member("line", item.placedLine);
    // The counts of modified conditions are not hit counts.
    if (hit && countOriented && item.kind != ItemModifiedCondition)
      json.member("count",
                  uint64_t{set == ItemHits::Run ? item.state->totalHits : item.state->hits});
    // Modified conditions are not hit by traces: no test is recorded for them.
    if (hit && tests && item.kind != ItemModifiedCondition) {
      const auto found = tests->find(item.state);
      writeOrdinals(json, found == tests->end() ? nullptr : found->second);
    }
    json.endObject();
  });
  json.endArray();
}

void writeModifiedConditions(JsonTextWriter &json, const Service &service) {
  json.key("modifiedConditions");
  json.beginArray();
  forEachItemOfType(service, CovModifiedConditions, [&](const ServiceItem &modified) {
    const auto &item = static_cast<const ModifiedCondition &>(*modified.state);
    json.beginObject();
    json.member("condition", withoutQuotes(modified.text));
    json.member("line", modified.line);
    json.member("hit", modified.hitInRun());
    json.key("pairs");
    json.beginArray();
    for (const VectorPair &pair : item.pairs) {
      const ConditionEntry &first = service.conditions[pair.first];
      const ConditionEntry &second = service.conditions[pair.second];
      json.beginObject(true);
      json.member("first", conditionText(first));
      json.member("second", conditionText(second));
      json.member("hit", (first.branch.flags & FlagEverHit) && (second.branch.flags & FlagEverHit));
      json.endObject();
    }
    json.endArray();
    json.endObject();
  });
  json.endArray();
}

void writeFunction(JsonTextWriter &json, const Service &service, CoverageTypes mask,
                   CoverageTypes instrumented, bool countOriented,
                   const TestAttribution *attribution) {
  json.beginObject();
  json.member("name", service.name ? service.name->text : "");
  if (service.firstLine <= service.lastLine) {
    json.member("firstLine", service.firstLine);
    json.member("lastLine", service.lastLine);
  }
  writeCoverage(json, service.staticCounts, service.totalCovered, mask, instrumented);
  writeItems(json, service, mask, ItemHits::Run, false, countOriented);
  const ItemTests tests = itemTests(service, attribution);
  writeItems(json, service, mask, ItemHits::Run, true, countOriented,
             attribution ? &tests : nullptr);
  if ((mask & CovBasicConditions) && (mask & CovModifiedConditions))
    writeModifiedConditions(json, service);
  json.endObject();
}

/// "lines": each line of the file on which items run (the line rule of the
/// Cobertura output), with the tests that ran it.
void writeLineTests(JsonTextWriter &json, const FileSummary &summary, CoverageTypes mask,
                    const TestAttribution &attribution) {
  std::map<uint32_t, std::vector<uint32_t>> lines;
  for (const Service *service : summary.services) {
    const ItemTests tests = itemTests(*service, &attribution);
    forEachPlacedItem(*service, mask, [&](const ServiceItem &item) {
      if (!runsItsLine(item)) return;
      std::vector<uint32_t> &ran = lines[item.placedLine];
      const auto found = tests.find(item.state);
      if (found != tests.end())
        found->second->forEach([&](uint32_t ordinal) { ran.push_back(ordinal); });
    });
  }
  json.key("lines");
  json.beginArray();
  for (auto &[line, tests] : lines) {
    std::sort(tests.begin(), tests.end());
    tests.erase(std::unique(tests.begin(), tests.end()), tests.end());
    json.beginObject(true);
    json.member("line", line);
    json.key("tests");
    json.beginArray(true);
    for (const uint32_t ordinal : tests)
      json.number(uint64_t{ordinal});
    json.endArray();
    json.endObject();
  }
  json.endArray();
}

void writeFile(JsonTextWriter &json, const ExportRun &run, const FileSummary &summary) {
  // The tests of lines and items are ordinals into "tests", written with -NOGLOBAL.
  const TestAttribution *attribution = run.options->global ? nullptr : run.attribution;
  const SourceFile &file = *summary.file;
  const CoverageTypes mask = run.scope->fileMask(file);
  json.beginObject();
  json.member("name", file.sourceName->text);
  json.member("directory", mapSourcePath(file.sourceDir ? file.sourceDir->text : ""));
  json.member("path", displayPath(file, run.currentDirectory));
  if (file.extraText) json.member("extra", file.extraText->text);
  json.member("fdc", file.fdcName);
  json.member("key", file.fileKey);
  json.member("checksum", file.checksum);
  writeTypes(json, "instrumentedTypes", file.instrumentedTypes);
  writeTypes(json, "types", mask);
  writeCoverage(json, summary.totals, sumHits(summary.services, HitSet::Run), mask,
                file.instrumentedTypes);
  json.key("functions");
  json.beginArray();
  for (const Service *service : summary.services)
    writeFunction(json, *service, mask, file.instrumentedTypes, run.countOriented, attribution);
  json.endArray();
  if (attribution) writeLineTests(json, summary, mask, *attribution);
  json.endObject();
}

/// The test names of a list of first ordinals.
void writeTestNames(JsonTextWriter &json, const ExportRun &run,
                    const std::vector<uint32_t> &ordinals) {
  json.key("tests");
  json.beginArray(true);
  for (const uint32_t ordinal : ordinals)
    json.string(run.attribution ? run.attribution->testName(ordinal) : "#");
  json.endArray();
}

void writeChanges(JsonTextWriter &json, const ExportRun &run, const std::string &diffFile) {
  const ChangeReport &changes = *run.changes;
  json.key("changes");
  json.beginObject();
  json.member("diff", diffFile);
  json.key("lines");
  json.beginObject(true);
  json.member("hit", changes.linesHit);
  json.member("total", uint64_t{changes.lines.size()});
  json.endObject();
  json.member("linesWithoutItems", changes.linesWithoutItems);
  json.key("unmatchedPaths");
  json.beginArray(true);
  for (const std::string &path : changes.unmatchedPaths)
    json.string(path);
  json.endArray();
  writeTestNames(json, run, changes.tests);
  json.key("changedLines");
  json.beginArray();
  for (const ChangedLine &line : changes.lines) {
    json.beginObject(true);
    json.member("path", line.path);
    json.member("line", line.line);
    json.member("hit", line.hit);
    writeTestNames(json, run, line.tests);
    json.endObject();
  }
  json.endArray();
  json.endObject();
}

} // namespace

JsonReport::JsonReport(std::FILE *out, const RunSettings &options) : json_(out), options_(options) {
  json_.beginObject();
  json_.member("format", "zeltocov-json");
  json_.member("version", uint64_t{kJsonFormatVersion});
  json_.key("tool");
  json_.beginObject(true);
  json_.member("name", "zeltocov");
  json_.member("version", kToolVersion);
  json_.endObject();
}

void JsonReport::testEnded(const ReportScope &scope, const TestState &test) {
  // Tests have hits of their own only when they are reported one by one.
  if (options_.global) return;
  if (!testsOpen_) {
    json_.key("tests");
    json_.beginArray();
    testsOpen_ = true;
  }
  json_.beginObject();
  json_.member("name", test.testName ? test.testName->text : "#");
  json_.key("number");
  if (test.testNumber == kNoNumber)
    json_.null();
  else
    json_.number(test.testNumber);
  json_.key("group");
  if (test.groupNumber == kNoNumber)
    json_.null();
  else
    json_.number(test.groupNumber);
  json_.key("date");
  if (test.currentDate)
    json_.string(test.currentDate->text);
  else
    json_.null();
  writeCoverage(json_, scope.selectedTotals, scope.selectedHits(HitSet::Test), scope.runMask(),
                scope.selectedMask);
  // The files that the test hit, by their position in "files", and their
  // functions that it hit, by their position in the file's "functions".
  json_.key("files");
  json_.beginArray();
  for (std::size_t i = 0; i < scope.files.size(); ++i) {
    const FileSummary &summary = scope.files[i];
    const CoverageCounts hits = sumHits(summary.services, HitSet::Test);
    if (!hits.any()) continue;
    const SourceFile &file = *summary.file;
    const CoverageTypes mask = scope.fileMask(file);
    json_.beginObject();
    json_.member("file", uint64_t{i});
    writeCoverage(json_, summary.totals, hits, mask, file.instrumentedTypes);
    json_.key("functions");
    json_.beginArray();
    for (std::size_t f = 0; f < summary.services.size(); ++f) {
      const Service &service = *summary.services[f];
      if (!service.testCovered.any()) continue;
      json_.beginObject();
      json_.member("function", uint64_t{f});
      json_.member("name", service.name ? service.name->text : "");
      writeCoverage(json_, service.staticCounts, service.testCovered, mask, file.instrumentedTypes);
      writeItems(json_, service, mask, ItemHits::Test, false, test.countOriented);
      json_.endObject();
    }
    json_.endArray();
    json_.endObject();
  }
  json_.endArray();
  json_.endObject();
}

void JsonReport::finish(const ExportRun &run, const std::vector<GateResult> &gate) {
  if (!options_.global && !testsOpen_) {
    json_.key("tests");
    json_.beginArray();
    testsOpen_ = true;
  }
  if (testsOpen_) json_.endArray();

  json_.key("run");
  json_.beginObject();
  json_.member("time", isoTime(run.runTime, IsoTimeForm::Compact));
  json_.key("timestamp");
  json_.number(static_cast<int64_t>(run.runTime));
  json_.member("global", options_.global);
  json_.member("countOriented", run.countOriented);
  writeTypes(json_, "requestedTypes", run.scope->requestedMask);
  writeTypes(json_, "types", run.scope->runMask());
  writeCoverage(json_, run.totals, run.hits, run.scope->runMask(), run.scope->selectedMask);
  json_.endObject();

  if (!gate.empty()) {
    json_.key("thresholds");
    json_.beginArray();
    for (const GateResult &result : gate) {
      json_.beginObject(true);
      json_.member("type", thresholdKeyword(*result.threshold));
      json_.member("percent", result.threshold->percentText);
      json_.member("hit", result.hit);
      json_.member("total", result.total);
      json_.member("measured", result.measured);
      json_.member("passed", result.passed);
      json_.endObject();
    }
    json_.endArray();
  }

  if (run.changes) writeChanges(json_, run, options_.changesFile.value_or(""));

  json_.key("files");
  json_.beginArray();
  for (const FileSummary &summary : run.scope->files)
    writeFile(json_, run, summary);
  json_.endArray();
  json_.endObject();
  json_.finish();
}
