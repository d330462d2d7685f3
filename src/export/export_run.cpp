#include "export/export_run.h"

void concludeRun(ExportRun &run) {
  const ReportScope &scope = *run.scope;
  if (run.options->global) {
    run.totals = scope.selectedTotals;
    run.hits = scope.selectedHits(HitSet::Run);
  } else {
    run.totals = scope.concludedTotals;
    run.hits = sumHits(scope.concludedServices, HitSet::Run);
  }
}
