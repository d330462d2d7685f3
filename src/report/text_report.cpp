#include "report/text_report.h"

#include <ctime>
#include <string>

#include "cli/selection.h"
#include "report/report_labels.h"
#include "report/report_run.h"
#include "support/run_clock.h"
#include "support/tool_version.h"
#include "trace/test_state.h"

namespace {

/// The largest hit count; a count that reached it is shown as saturated.
constexpr uint32_t kSaturatedCount = 0x7FFFFFFF;

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

const CoverageCounts &shownHits(const ReportRunState &run, const Service &service) {
  return run.options->global ? service.totalCovered : service.testCovered;
}

/// The label of a total of 0: "none" when the file was instrumented for the line's
/// type, "n/a" otherwise.
const char *noneLabel(const ReportRunState &run, CoverageTypes fileMask, CoverageTypes bit) {
  return label(run, (fileMask & bit) ? LblNone : LblNotInstrumented);
}

void writeBranchReference(ReportRunState &run, const char *kind, const char *detail,
                          const Branch &branch, uint32_t line) {
  writeReference(run, kind, detail, shownCount(run, branch), line, countMode(run));
}

void writeEntryReference(ReportRunState &run, Service &service) {
  if (!service.hasEntry) return;
  writeBranchReference(run, label(run, LblEntryReference), nullptr, service.entry,
                       service.entry.firstLine);
}

void writeExitReferences(ReportRunState &run, Service &service) {
  for (const ExitEntry &exit : service.exits) {
    ReportLabel kind;
    switch (exit.kind) {
    case ExitRegular:
      kind = LblRegularExitReference;
      break;
    case ExitReturn:
      kind = LblReturnExitReference;
      break;
    case ExitTermination:
      kind = LblTerminationExitReference;
      break;
    default:
      continue;
    }
    writeBranchReference(run, label(run, kind), nullptr, exit.branch, exit.branch.firstLine);
  }
}

void writeCallReferences(ReportRunState &run, Service &service) {
  for (const CallEntry &call : service.calls)
    writeBranchReference(run, call.calledName ? call.calledName->text : "", nullptr, call.branch,
                         call.branch.firstLine);
}

void writeBlockReferences(ReportRunState &run, Service &service, uint8_t kind) {
  for (const BlockEntry &block : service.blocks) {
    if (block.kind != kind) continue;
    // An implicit block is placed where it ends.
    uint32_t line = kind == BlockImplicit ? block.branch.lastLine : block.branch.firstLine;
    writeBranchReference(run, block.label.c_str(), nullptr, block.branch, line);
  }
}

const char *conditionText(const ConditionEntry &entry) {
  return entry.text ? entry.text->c_str() : "";
}

void writeBasicConditionReferences(ReportRunState &run, Service &service) {
  const std::vector<ConditionEntry> &conditions = service.conditions;
  for (size_t i = 0; i < conditions.size(); ++i) {
    const ConditionEntry &entry = conditions[i];
    if (entry.kind == CondCompoundVector) continue;
    const char *detail = nullptr;
    if (entry.kind != CondSingle) {
      // The True outcome is followed by the False outcome sharing its text.
      bool isTrue = i + 1 < conditions.size() && conditions[i + 1].text == entry.text;
      detail = isTrue ? "True" : "False";
    }
    writeBranchReference(run, conditionText(entry), detail, entry.branch, entry.branch.firstLine);
  }
}

void writeModifiedConditionReferences(ReportRunState &run, Service &service) {
  for (const Composition &composition : service.compositions) {
    for (const ModifiedCondition &item : composition.items) {
      const char *kind = "";
      uint32_t line = 0;
      if (item.condition < service.conditions.size()) {
        const ConditionEntry &condition = service.conditions[item.condition];
        kind = conditionText(condition);
        line = condition.branch.firstLine;
      }
      const char *detail = item.label.empty() ? label(run, LblNoVectorsPair) : item.label.c_str();
      // The counts of modified conditions are never shown.
      writeReference(run, kind, detail, shownCount(run, item), line, false);
    }
  }
}

void writeCompoundReferences(ReportRunState &run, Service &service) {
  for (const Composition &composition : service.compositions) {
    for (uint32_t k = 0; k < composition.caseCount; ++k) {
      size_t index = size_t(composition.firstVector) + k;
      if (index >= service.conditions.size()) break;
      const ConditionEntry &vector = service.conditions[index];
      writeBranchReference(run, conditionText(vector), nullptr, vector.branch,
                           vector.branch.firstLine);
    }
  }
}

} // namespace

CoverageTypes defaultEffectiveMask(const ReportRunState &run) {
  return run.options->coverageTypes ? run.options->coverageTypes : run.loadedMask;
}

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

void writeTestReport(ReportRunState &run) {
  const ReportOptions &options = *run.options;
  const uint8_t summary = options.summaryLevel;
  const char *testName = run.trace && run.trace->testName && run.trace->testName->text
                             ? run.trace->testName->text
                             : "";

  if (summary < 3) {
    if (!options.global) {
      writeSeparator(run);
      const NameEntry *date = run.trace ? run.trace->currentDate : nullptr;
      std::fprintf(run.out, "Test %s :%s%s\n", testName, date ? " " : "", date ? date->text : "");
    }
    writeSeparator(run);
  }
  if (summary == 0 && run.effectiveMask != CovFunctions && !countMode(run))
    std::fprintf(
        run.out, "(%s)\n",
        label(run, options.listCovered ? LblHitReferencesHeading : LblUnhitReferencesHeading));
  if (!options.global && (run.effectiveMask & CovModifiedConditions) && run.testReportsWritten > 0)
    std::fprintf(run.out, "(%s)\n", label(run, LblNoteTests));

  run.runTotals.clear();
  run.runHits.clear();
  for (const std::unique_ptr<SourceFile> &filePtr : run.model->files()) {
    SourceFile &file = *filePtr;
    // Placeholders stand for traces of unknown sources: nothing to report on them.
    if (file.placeholder || !file.sourceName) continue;
    if (!isFileSelected(file.sourceName->text, options)) continue;
    CoverageCounts fileTotals;
    CoverageCounts fileHits;
    run.reportedMask |= file.instrumentedTypes;
    for (const std::unique_ptr<Service> &service : file.services) {
      if (!GetServiceAuth(service->name, options)) continue;
      fileTotals += service->staticCounts;
      fileHits += shownHits(run, *service);
    }
    if (summary <= 2) {
      run.effectiveMask = options.coverageTypes ? options.coverageTypes : file.instrumentedTypes;
      writeSection(run, nullptr, "", file.sourceName->text,
                   file.extraText ? file.extraText->text : nullptr, fileTotals, fileHits,
                   file.instrumentedTypes);
      if (summary <= 1) {
        for (const std::unique_ptr<Service> &service : file.services) {
          if (!GetServiceAuth(service->name, options)) continue;
          writeSection(run, service.get(), "\t", service->name->text, nullptr,
                       service->staticCounts, shownHits(run, *service), file.instrumentedTypes);
        }
      }
    }
    run.runTotals += fileTotals;
    run.runHits += fileHits;
  }

  run.effectiveMask = defaultEffectiveMask(run);
  writeSeparator(run);
  std::string title = options.global ? std::string(label(run, LblRunConclusion))
                                     : std::string(label(run, LblTestConclusionPrefix)) + testName;
  writeSection(run, nullptr, "", title.c_str(), nullptr, run.runTotals, run.runHits,
               run.reportedMask);
  if (!options.global) ++run.testReportsWritten;
}

void writeSection(ReportRunState &run, Service *service, const char *indent, const char *title,
                  const char *subtitle, const CoverageCounts &totals, const CoverageCounts &hits,
                  CoverageTypes fileMask) {
  const CoverageTypes mask = run.effectiveMask;
  const bool details = run.options->summaryLevel == 0 && service;

  if (title) {
    if (subtitle)
      std::fprintf(run.out, "%s%s :\n%s  (%s)\n", indent, title, indent, subtitle);
    else
      std::fprintf(run.out, "%s%s :\n", indent, title);
  }

  if ((mask & CovFunctions) && totals[CntFunctions] > 0) {
    if (service) {
      std::fprintf(run.out, "\t\t%s%s %s\n", indent, label(run, LblServiceHit),
                   label(run, hits[CntFunctions] ? LblHitYes : LblHitNo));
      // In count mode the entry's count follows the hit line whenever the exits
      // line does not list it, also in a -SUMMARY=SERVICE report.
      if (!(mask & CovFunctionsExits) && countMode(run)) writeEntryReference(run, *service);
    } else {
      writeRateLine(run, indent, label(run, LblFunctions), totals[CntFunctions], hits[CntFunctions],
                    noneLabel(run, fileMask, CovFunctions));
    }
  }
  if ((mask & CovFunctionsExits) && totals[CntFunctionsExits] > totals[CntFunctions]) {
    writeRateLine(run, indent, label(run, LblFunctionsExits), totals[CntFunctionsExits],
                  hits[CntFunctionsExits], noneLabel(run, fileMask, CovFunctionsExits));
    if (details) {
      writeEntryReference(run, *service);
      writeExitReferences(run, *service);
    }
  }
  if (mask & CovCalls) {
    writeRateLine(run, indent, label(run, LblCalls), totals[CntCalls], hits[CntCalls],
                  noneLabel(run, fileMask, CovCalls));
    if (details) writeCallReferences(run, *service);
  }
  if ((mask & CovStatementBlocks) && totals[CntStatementBlocks] > 0) {
    writeRateLine(run, indent, label(run, LblStatementBlocks), totals[CntStatementBlocks],
                  hits[CntStatementBlocks], noneLabel(run, fileMask, CovStatementBlocks));
    if (details) writeBlockReferences(run, *service, BlockSimple);
  }
  if (mask & CovImplicitBlocks) {
    writeRateLine(run, indent, label(run, LblImplicitBlocks), totals[CntImplicitBlocks],
                  hits[CntImplicitBlocks], noneLabel(run, fileMask, CovImplicitBlocks));
    if (details) writeBlockReferences(run, *service, BlockImplicit);
    // Decisions are the simple and implicit blocks together.
    writeRateLine(run, indent, label(run, LblDecisions),
                  totals[CntStatementBlocks] + totals[CntImplicitBlocks],
                  hits[CntStatementBlocks] + hits[CntImplicitBlocks],
                  noneLabel(run, fileMask, CovImplicitBlocks));
  }
  if (mask & CovLoops) {
    writeRateLine(run, indent, label(run, LblLoops), totals[CntLoops], hits[CntLoops],
                  noneLabel(run, fileMask, CovLoops));
    if (details) writeBlockReferences(run, *service, BlockLogical);
  }
  if (mask & CovAsyncBlocks) {
    writeRateLine(run, indent, label(run, LblAsyncBlocks), totals[CntAsyncBlocks],
                  hits[CntAsyncBlocks], noneLabel(run, fileMask, CovAsyncBlocks));
    if (details) writeBlockReferences(run, *service, BlockAsync);
  }
  if (mask & CovBasicConditions) {
    writeRateLine(run, indent, label(run, LblBasicConditions), totals[CntBasicConditions],
                  hits[CntBasicConditions], noneLabel(run, fileMask, CovBasicConditions));
    if (details) writeBasicConditionReferences(run, *service);
  }
  const bool forced = mask & CovForcedConditions;
  if (mask & CovModifiedConditions) {
    writeRateLine(run, indent,
                  label(run, forced ? LblForcedModifiedConditions : LblModifiedConditions),
                  totals[CntModifiedConditions], hits[CntModifiedConditions],
                  noneLabel(run, fileMask, CovModifiedConditions));
    if (details) writeModifiedConditionReferences(run, *service);
  }
  if (mask & CovCompoundConditions) {
    writeRateLine(run, indent,
                  label(run, forced ? LblForcedCompoundConditions : LblCompoundConditions),
                  totals[CntCompoundConditions], hits[CntCompoundConditions],
                  noneLabel(run, fileMask, CovCompoundConditions));
    if (details) writeCompoundReferences(run, *service);
  }
}

void writeRateLine(ReportRunState &run, const char *indent, const char *label, uint32_t total,
                   uint32_t hit, const char *noneLabel) {
  if (total == 0)
    std::fprintf(run.out, "\t\t%s%s %s\n", indent, label, noneLabel);
  else
    std::fprintf(run.out, "\t\t%s%s %5.01f%% (%lu/%lu)\n", indent, label, coverageRate(hit, total),
                 static_cast<unsigned long>(hit), static_cast<unsigned long>(total));
}

void writeReference(ReportRunState &run, const char *kind, const char *detail, uint32_t count,
                    uint32_t line, bool countModeOn) {
  const char *blank = detail ? " " : "";
  if (!detail) detail = "";
  if (countModeOn) {
    std::fprintf(run.out, "\t\t\t%s\t%s%s%s, %s %lu, %lu %s%s\n", count == 0 ? "*****" : "", kind,
                 blank, detail, label(run, LblLineWord), static_cast<unsigned long>(line),
                 static_cast<unsigned long>(count), label(run, LblCountUnit),
                 count == kSaturatedCount ? label(run, LblCountSaturated) : "");
    return;
  }
  const bool hit = count != 0;
  if (hit != run.options->listCovered) return;
  std::fprintf(run.out, "\t\t\t\t%s%s%s, %s %lu\n", kind, blank, detail, label(run, LblLineWord),
               static_cast<unsigned long>(line));
}
