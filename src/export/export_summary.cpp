#include "export/export_summary.h"

#include "export/export_text.h"
#include "trace/test_state.h"

ExportSummary::ExportSummary(const RunSettings &options, std::time_t runTime) : options_(options) {
  run_.options = &options;
  run_.runTime = runTime;
}

void ExportSummary::runStarted(const ReportScope &scope) {
  if (!options_.changes) return;
  for (const SourceFile *file : filesOfChanges(*options_.changes, scope, currentDirectoryPath()))
    changedFiles_.insert(file);
}

bool ExportSummary::attributesTestsOf(const SourceFile &file) const {
  return changedFiles_.count(&file) > 0;
}

void ExportSummary::tracesRead(const TestState &trace) {
  run_.countOriented = trace.countOriented;
}

void ExportSummary::runConcluded(const RunConclusion &conclusion) {
  // Every output shows the hits of the whole run, whatever the report showed last.
  run_.scope = conclusion.scope;
  run_.currentDirectory = currentDirectoryPath();
  run_.attribution = conclusion.attribution;
  concludeRun(run_);
  if (options_.changes)
    run_.changes = evaluateChanges(*options_.changes, run_, conclusion.attribution);
  gate_ = evaluateGate(options_.coverageThresholds, run_.totals, run_.hits,
                       conclusion.scope->runMask(), run_.changes ? &*run_.changes : nullptr);
}
