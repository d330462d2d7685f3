#include "driver/exit_status.h"

#include "cli/report_options.h"
#include "export/coverage_gate.h"
#include "support/messages.h"

int decideExitStatus(const ReportOptions &options, const std::vector<GateResult> *gate) {
  // Errors of the run are counted before the gate adds its own; an input left
  // out counts as one, whatever its message said.
  const bool errors = options.strict && (errorsReported() > 0 || inputsDropped() > 0);
  const bool below = gate && reportGateFailures(*gate);
  if (errors) return kExitStrictErrors;
  return below ? kExitCoverageBelow : 0;
}
