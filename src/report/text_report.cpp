#include "report/text_report.h"

#include <ctime>
#include <string>

#include "model/service_items.h"
#include "report/rate_lines.h"
#include "report/report_labels.h"
#include "report/report_line.h"
#include "report/report_run.h"
#include "report/report_scope.h"
#include "support/coverage_rate.h"
#include "support/run_clock.h"
#include "support/tool_version.h"
#include "trace/test_state.h"

namespace {

const char *label(const ReportRunState &run, ReportLabel row) {
  return kReportLabels.get(row, run.language);
}

bool countMode(const ReportRunState &run) {
  return run.trace && run.trace->countOriented;
}

/// Hits of a branch or item as the report shows them: over the run when global,
/// in the current test otherwise.
uint32_t shownCount(const ReportRunState &run, const HitState &item) {
  return run.options->global ? item.totalHits : item.hits;
}

/// The label of a total of 0: "none" when the file was instrumented for the line's
/// type, "n/a" otherwise.
const char *noneLabel(const ReportRunState &run, CoverageTypes fileMask, CoverageTypes type) {
  return label(run, noneRow(fileMask, type));
}

/// What a reference names: the entry or the kind of exit from the label table,
/// else the item's own text.
const char *referenceKind(const ReportRunState &run, const ServiceItem &item) {
  static constexpr ReportLabel kPointLabels[] = {LblEntryReference, LblRegularExitReference,
                                                 LblReturnExitReference,
                                                 LblTerminationExitReference};
  return item.kind <= ItemTerminationExit ? label(run, kPointLabels[item.kind]) : item.text;
}

/// The references of one rate line of a service: the entry and the exits under
/// the functions-and-exits line, the items of the line's type otherwise.
void writeReferences(ReportRunState &run, const Service &service, CoverageTypes type) {
  auto write = [&run](const ServiceItem &item) {
    if (item.type == CovModifiedConditions) {
      // The counts of modified conditions are never shown.
      writeReference(run, item.text, item.noPair ? label(run, LblNoVectorsPair) : item.detail,
                     shownCount(run, *item.state), item.line, false);
      return;
    }
    writeReference(run, referenceKind(run, item), item.detail, shownCount(run, *item.state),
                   item.line, countMode(run));
  };
  if (type == CovFunctionsExits) forEachItemOfType(service, CovFunctions, write);
  forEachItemOfType(service, type, write);
}

} // namespace

void writeSeparator(ReportRunState &run) {
  std::fputs("--------------------------------------------------------------------------------\n",
             run.out);
}

void writeReportHeader(ReportRunState &run) {
  writeSeparator(run);
  std::fprintf(run.out, "\n\t\t%s\n", label(run, LblReportTitle));
  std::fprintf(run.out, "\n\t\t    Tool version:    %s\n", kToolVersion);
  std::fprintf(run.out, "\n\t\t\t  %s\n\n", dateText(run.runTime).c_str());
}

/// The current test's hits of the selected services, from the services hit in the
/// test only: every other service holds only its modified conditions found hit
/// so far, which are counted as they are found. Their sum, and per selected file
/// in `byFile` (by position in the scope's files) when given.
CoverageCounts testHitsOfSelected(ReportRunState &run, std::vector<CoverageCounts> *byFile) {
  const ReportScope &scope = *run.scope;
  const auto &found = run.hits->modifiedConditionsHit();
  run.modifiedByFile.resize(scope.files.size(), 0);
  for (; run.modifiedSeen < found.size(); ++run.modifiedSeen) {
    const int32_t file = scope.summaryOfService[found[run.modifiedSeen].service->index];
    if (file < 0) continue;
    ++run.modifiedSelected;
    ++run.modifiedByFile[static_cast<std::size_t>(file)];
  }
  if (byFile) byFile->assign(scope.files.size(), CoverageCounts{});
  CoverageCounts sum;
  for (const Service *service : run.hits->servicesHitInTest()) {
    const int32_t file = scope.summaryOfService[service->index];
    if (file < 0) continue;
    CoverageCounts hits = service->testCovered;
    hits[CntModifiedConditions] = 0;
    sum += hits;
    if (byFile) (*byFile)[static_cast<std::size_t>(file)] += hits;
  }
  sum[CntModifiedConditions] = run.modifiedSelected;
  if (byFile)
    for (std::size_t file = 0; file < scope.files.size(); ++file)
      (*byFile)[file][CntModifiedConditions] = run.modifiedByFile[file];
  return sum;
}

void writeTestReport(ReportRunState &run) {
  const RunSettings &options = *run.options;
  const SummaryLevel level = options.summaryLevel;
  const char *testName = run.trace && run.trace->testName && run.trace->testName->text
                             ? run.trace->testName->text
                             : "";

  if (level < SummaryConclusion) {
    if (!options.global) {
      writeSeparator(run);
      const NameEntry *date = run.trace ? run.trace->currentDate : nullptr;
      std::fprintf(run.out, "Test %s :%s%s\n", testName, date ? " " : "", date ? date->text : "");
    }
    writeSeparator(run);
  }
  if (level == SummaryFull && run.effectiveMask != CovFunctions && !countMode(run))
    std::fprintf(
        run.out, "(%s)\n",
        label(run, options.listCovered ? LblHitReferencesHeading : LblUnhitReferencesHeading));
  if (!options.global && (run.effectiveMask & CovModifiedConditions) && run.testReportsWritten > 0)
    std::fprintf(run.out, "(%s)\n", label(run, LblNoteTests));

  run.runTotals.clear();
  run.runHits.clear();
  const HitSet shown = options.global ? HitSet::Run : HitSet::Test;
  // A test's hits are summed over the services hit in it; with no file section to
  // write, the files are not visited at all.
  const bool fromHitList = !options.global && level >= SummaryFile && run.scope->servicesIndexed;
  if (fromHitList && level == SummaryConclusion) {
    run.runTotals = run.scope->selectedTotals;
    run.runHits = testHitsOfSelected(run, nullptr);
    run.reportedMask |= run.scope->selectedMask;
  } else {
    if (fromHitList) testHitsOfSelected(run, &run.hitsByFile);
    for (std::size_t i = 0; i < run.scope->files.size(); ++i) {
      const FileSummary &summary = run.scope->files[i];
      const SourceFile &file = *summary.file;
      const CoverageCounts fileHits =
          fromHitList ? run.hitsByFile[i] : sumHits(summary.services, shown);
      run.reportedMask |= file.instrumentedTypes;
      if (level <= SummaryFile) {
        run.effectiveMask = run.scope->fileMask(file);
        writeSection(run, nullptr, "", file.sourceName->text,
                     file.extraText ? file.extraText->text : nullptr, summary.totals, fileHits,
                     file.instrumentedTypes);
        if (level <= SummaryService) {
          for (const Service *service : summary.services)
            writeSection(run, service, "\t", service->name->text, nullptr, service->staticCounts,
                         hitsOf(*service, shown), file.instrumentedTypes);
        }
      }
      run.runTotals += summary.totals;
      run.runHits += fileHits;
    }
  }

  run.effectiveMask = run.scope->runMask();
  writeSeparator(run);
  std::string title = options.global ? std::string(label(run, LblRunConclusion))
                                     : std::string(label(run, LblTestConclusionPrefix)) + testName;
  writeSection(run, nullptr, "", title.c_str(), nullptr, run.runTotals, run.runHits,
               run.reportedMask);
  if (!options.global) ++run.testReportsWritten;
}

void writeSection(ReportRunState &run, const Service *service, const char *indent,
                  const char *title, const char *subtitle, const CoverageCounts &totals,
                  const CoverageCounts &hits, CoverageTypes fileMask) {
  const CoverageTypes mask = run.effectiveMask;
  const bool details = run.options->summaryLevel == SummaryFull && service;

  if (title) {
    ReportLine line(run.out);
    line << indent << title << " :\n";
    if (subtitle) line << indent << "  (" << subtitle << ")\n";
  }

  const RatedType &functions = kRatedTypes[RatedFunctions];
  if (isRatedTypeShown(functions, mask, totals)) {
    if (service) {
      ReportLine(run.out) << "\t\t" << indent << label(run, LblServiceHit) << ' '
                          << label(run, hits[CntFunctions] ? LblHitYes : LblHitNo) << '\n';
      // In count mode the entry's count follows the hit line whenever the exits
      // line does not list it, also in a -SUMMARY=SERVICE report.
      if (!(mask & CovFunctionsExits) && countMode(run))
        forEachItemOfType(*service, CovFunctions, [&run](const ServiceItem &item) {
          writeReference(run, referenceKind(run, item), nullptr, shownCount(run, *item.state),
                         item.line, true);
        });
    } else {
      writeRateLine(run, indent, label(run, rateLabel(functions, mask)), totals[CntFunctions],
                    hits[CntFunctions], noneLabel(run, fileMask, CovFunctions));
    }
  }
  for (const RatedType &rated : kRatedTypes) {
    if (rated.id == RatedFunctions || !isRatedTypeShown(rated, mask, totals)) continue;
    writeRateLine(run, indent, label(run, rateLabel(rated, mask)), ratedValue(totals, rated),
                  ratedValue(hits, rated), noneLabel(run, fileMask, rated.type));
    if (details && rated.id != RatedDecisions) writeReferences(run, *service, rated.type);
  }
}

void writeRateLine(ReportRunState &run, const char *indent, const char *label, uint64_t total,
                   uint64_t hit, const char *noneLabel) {
  ReportLine line(run.out);
  line << "\t\t" << indent << label << ' ';
  if (total == 0)
    line << noneLabel << '\n';
  else
    line.rate(coverageRate(hit, total)) << "% (" << hit << '/' << total << ")\n";
}

void writeReference(ReportRunState &run, const char *kind, const char *detail, uint32_t count,
                    uint32_t line, bool countModeOn) {
  if (!countModeOn && (count != 0) != run.options->listCovered) return;
  ReportLine text(run.out);
  if (countModeOn)
    text << "\t\t\t" << (count == 0 ? "*****" : "") << '\t';
  else
    text << "\t\t\t\t";
  text << kind;
  if (detail) text << ' ' << detail;
  text << ", " << label(run, LblLineWord) << ' ' << line;
  if (countModeOn) {
    text << ", " << count << ' ' << label(run, LblCountUnit);
    if (count == kHitCountCeiling) text << label(run, LblCountSaturated);
  }
  text << '\n';
}
