// The exit status of a run that ends normally, decided in one place once every
// output is written.
#pragma once

#include <vector>

struct GateResult;
struct ReportOptions;

/// Exit status of a run whose coverage is below a threshold of -FAILUNDER.
constexpr int kExitCoverageBelow = 2;
/// Exit status of a run with -STRICT that reported an error.
constexpr int kExitStrictErrors = 3;

/// Lists the thresholds not met (errors) and answers: 3 with -STRICT when an
/// error was reported or an input could not be used, else 2 when a threshold was
/// not met, else 0. `gate` is null when no gate was evaluated.
int decideExitStatus(const ReportOptions &options, const std::vector<GateResult> *gate);
