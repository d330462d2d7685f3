#include "export/export_run.h"

void concludeRun(ExportRun &run) {
  // The selected files' figures, in a global run and with -NOGLOBAL alike (the
  // text report's conclusion of a -NOGLOBAL run sums the services of every file).
  const ReportScope &scope = *run.scope;
  run.totals = scope.selectedTotals;
  run.hits = scope.selectedHits(HitSet::Run);
}
