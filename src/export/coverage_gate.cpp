#include "export/coverage_gate.h"

#include <algorithm>

#include "export/changed_lines.h"
#include "support/coverage_rate.h"
#include "support/messages.h"

std::vector<GateResult> evaluateGate(const std::vector<CoverageThreshold> &thresholds,
                                     const CoverageCounts &totals, const CoverageCounts &hits,
                                     CoverageTypes runMask, const ChangeReport *changes) {
  std::vector<GateResult> results;
  for (const CoverageThreshold &threshold : thresholds) {
    GateResult result;
    result.threshold = &threshold;
    if (!threshold.type) {
      // The changed lines that carry items; those without count apart.
      if (changes) {
        result.total = changes->lines.size();
        result.hit = changes->linesHit;
      }
      result.passed = meetsThreshold(result.hit, result.total, threshold);
      results.push_back(result);
      continue;
    }
    result.total = ratedValue(totals, *threshold.type);
    result.hit = ratedValue(hits, *threshold.type);
    result.measured = (runMask & threshold.type->type) != 0;
    result.passed = result.total == 0 ||
                    (result.measured && meetsThreshold(result.hit, result.total, threshold));
    results.push_back(result);
  }
  return results;
}

std::string gateRateText(const GateResult &result) {
  const std::string &percent = result.threshold->percentText;
  const std::size_t point = percent.find('.');
  const int decimals =
      point == std::string::npos ? 0 : static_cast<int>(percent.size() - point - 1);
  return truncatedRate(result.hit, result.total, std::max(2, decimals));
}

bool reportGateFailures(const std::vector<GateResult> &results) {
  bool failed = false;
  for (const GateResult &result : results) {
    if (result.passed) continue;
    failed = true;
    const QString type = QString::fromLatin1(thresholdKeyword(*result.threshold));
    const QString percent = QString::fromStdString(result.threshold->percentText);
    if (!result.measured) {
      reportError(tr("User Error",
                     "Coverage of %1 is not measured by this run (the requested coverage types "
                     "leave it out), "
                     "below %2%",
                     "%1 is a coverage type keyword, %2 the threshold of -FAILUNDER")
                      .arg(type, percent));
      continue;
    }
    reportError(tr("User Error", "Coverage of %1 is %2%, below %3%",
                   "%1 is a coverage type keyword, %2 the rate reached, %3 the threshold of "
                   "-FAILUNDER")
                    .arg(type, QString::fromStdString(gateRateText(result)), percent));
  }
  return failed;
}
