#include "export/json_report.h"

#include <cstring>
#include <ctime>
#include <iterator>
#include <string>

#include "cli/report_options.h"
#include "export/coverage_gate.h"
#include "export/export_run.h"
#include "export/export_text.h"
#include "export/placed_items.h"
#include "model/coverage_records.h"
#include "report/report_scope.h"
#include "support/tool_version.h"
#include "trace/test_state.h"

namespace {

/// The JSON name of each coverage-type bit of a mask.
struct MaskName {
  CoverageTypes bit;
  const char *name;
};
constexpr MaskName kMaskNames[] = {
    {CovFunctions, "functions"},
    {CovFunctionsExits, "functionsAndExits"},
    {CovCalls, "calls"},
    {CovStatementBlocks, "statementBlocks"},
    {CovImplicitBlocks, "implicitBlocks"},
    {CovLoops, "loops"},
    {CovAsyncBlocks, "asynchronousTransferBlocks"},
    {CovBasicConditions, "basicConditions"},
    {CovModifiedConditions, "modifiedConditions"},
    {CovCompoundConditions, "compoundConditions"},
    {CovForcedConditions, "forcedConditions"},
};

void writeTypes(JsonTextWriter &json, std::string_view key, CoverageTypes mask) {
  json.key(key);
  json.beginArray(true);
  for (const MaskName &name : kMaskNames)
    if (mask & name.bit) json.string(name.name);
  json.endArray();
}

/// {"<type>": {"hit": h, "total": t}, ...} for the types of the mask.
void writeCoverage(JsonTextWriter &json, const CoverageCounts &totals, const CoverageCounts &hits,
                   CoverageTypes mask) {
  json.key("coverage");
  json.beginObject(true);
  for (const GateType &type : kGateTypes) {
    if (!(mask & type.type)) continue;
    json.key(typeKey(type));
    json.beginObject();
    json.member("hit", gateValue(hits, type));
    json.member("total", gateValue(totals, type));
    json.endObject();
  }
  json.endObject();
}

/// The kind of an item in the JSON output.
const char *kindOf(const ServiceReference &ref) {
  switch (ref.type) {
  case CovFunctions:
    return "entry";
  case CovFunctionsExits:
    return ref.kindLabel == LblReturnExitReference        ? "return"
           : ref.kindLabel == LblTerminationExitReference ? "termination"
                                                          : "regular-exit";
  case CovCalls:
    return "call";
  case CovStatementBlocks:
    return "simple-block";
  case CovImplicitBlocks:
    return "implicit-block";
  case CovLoops:
    return "logical-block";
  case CovAsyncBlocks:
    return "asynchronous-transfer-block";
  case CovBasicConditions:
    return "basic-condition";
  case CovModifiedConditions:
    return "modified-condition";
  default:
    return "compound-condition";
  }
}

const char *maskNameOf(CoverageTypes type) {
  for (const MaskName &name : kMaskNames)
    if (name.bit == type) return name.name;
  return "";
}

std::string isoTime(std::time_t seconds) {
  std::tm utc{};
  if (!gmtime_r(&seconds, &utc)) return std::string();
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

void writeUnhit(JsonTextWriter &json, const Service &service, CoverageTypes mask) {
  json.key("unhit");
  json.beginArray();
  forEachPlacedItem(service, mask, [&](const ServiceReference &ref, uint32_t line) {
    if (hitOverRun(ref)) return;
    json.beginObject(true);
    json.member("type", maskNameOf(ref.type));
    json.member("kind", kindOf(ref));
    if (ref.kindLabel == LblCount && *ref.kindText) json.member("text", ref.kindText);
    if (ref.detail) json.member("detail", ref.detail);
    json.member("line", line);
    json.endObject();
  });
  json.endArray();
}

void writeModifiedConditions(JsonTextWriter &json, const Service &service) {
  json.key("modifiedConditions");
  json.beginArray();
  forEachReference(service, CovModifiedConditions, [&](const ServiceReference &ref) {
    const auto &item = static_cast<const ModifiedCondition &>(*ref.item);
    json.beginObject();
    json.member("condition", ref.kindText);
    json.member("line", ref.line);
    json.member("hit", hitOverRun(ref));
    json.key("pairs");
    json.beginArray();
    for (const VectorPair &pair : item.pairs) {
      const ConditionEntry &first = service.conditions[pair.first];
      const ConditionEntry &second = service.conditions[pair.second];
      json.beginObject(true);
      json.member("first", first.text ? first.text->c_str() : "");
      json.member("second", second.text ? second.text->c_str() : "");
      json.member("hit", (first.branch.flags & FlagEverHit) && (second.branch.flags & FlagEverHit));
      json.endObject();
    }
    json.endArray();
    json.endObject();
  });
  json.endArray();
}

void writeFunction(JsonTextWriter &json, const Service &service, CoverageTypes mask) {
  json.beginObject();
  json.member("name", service.name ? service.name->text : "");
  if (service.firstLine <= service.lastLine) {
    json.member("firstLine", service.firstLine);
    json.member("lastLine", service.lastLine);
  }
  writeCoverage(json, service.staticCounts, service.totalCovered, mask);
  writeUnhit(json, service, mask);
  if ((mask & CovBasicConditions) && (mask & CovModifiedConditions))
    writeModifiedConditions(json, service);
  json.endObject();
}

void writeFile(JsonTextWriter &json, const ExportRun &run, const FileSummary &summary) {
  const SourceFile &file = *summary.file;
  const CoverageTypes mask = run.scope->fileMask(file);
  json.beginObject();
  json.member("name", file.sourceName->text);
  json.member("directory", file.sourceDir ? file.sourceDir->text : "");
  json.member("path", displayPath(file, run.currentDirectory));
  if (file.extraText) json.member("extra", file.extraText->text);
  json.member("fdc", file.fdcName);
  json.member("key", file.fileKey);
  json.member("checksum", file.checksum);
  writeTypes(json, "instrumentedTypes", file.instrumentedTypes);
  writeTypes(json, "types", mask);
  writeCoverage(json, summary.totals, sumHits(summary.services, HitSet::Run), mask);
  json.key("functions");
  json.beginArray();
  for (const Service *service : summary.services)
    writeFunction(json, *service, mask);
  json.endArray();
  json.endObject();
}

} // namespace

JsonReport::JsonReport(std::FILE *out, const ReportOptions &options)
    : json_(out), options_(options) {
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
  writeCoverage(json_, scope.selectedTotals, scope.selectedHits(HitSet::Test), scope.runMask());
  // The files that the test hit, by their position in "files".
  json_.key("files");
  json_.beginArray();
  for (std::size_t i = 0; i < scope.files.size(); ++i) {
    const FileSummary &summary = scope.files[i];
    const CoverageCounts hits = sumHits(summary.services, HitSet::Test);
    if (!hits.any()) continue;
    json_.beginObject(true);
    json_.member("file", uint64_t{i});
    writeCoverage(json_, summary.totals, hits, scope.fileMask(*summary.file));
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
  json_.member("time", isoTime(run.runTime));
  json_.key("timestamp");
  json_.number(static_cast<int64_t>(run.runTime));
  json_.member("global", options_.global);
  json_.member("countOriented", run.countOriented);
  writeTypes(json_, "requestedTypes", run.scope->requestedMask);
  writeTypes(json_, "types", run.scope->runMask());
  writeCoverage(json_, run.totals, run.hits, run.scope->runMask());
  json_.endObject();

  if (!gate.empty()) {
    json_.key("thresholds");
    json_.beginArray();
    for (const GateResult &result : gate) {
      json_.beginObject(true);
      json_.member("type", result.threshold->type->keyword);
      json_.member("percent", result.threshold->percentText);
      json_.member("hit", result.hit);
      json_.member("total", result.total);
      json_.member("measured", result.measured);
      json_.member("passed", result.passed);
      json_.endObject();
    }
    json_.endArray();
  }

  json_.key("files");
  json_.beginArray();
  for (const FileSummary &summary : run.scope->files)
    writeFile(json_, run, summary);
  json_.endArray();
  json_.endObject();
  json_.finish();
}
