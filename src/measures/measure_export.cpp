#include "measures/measure_export.h"

#include "model/coverage_records.h"
#include "support/host_services.h"

std::vector<uint32_t> coverageMeasure(const CoverageCounts &hits, const CoverageCounts &totals) {
  std::vector<uint32_t> values;
  values.reserve(2 * CntCount);
  for (int i = 0; i < CntCount; ++i)
    values.push_back(hits[i]);
  for (int i = 0; i < CntCount; ++i)
    values.push_back(totals[i]);
  return values;
}

MeasureExport::MeasureExport(std::optional<std::string> root, std::time_t runTime,
                             std::FILE *errors)
    : root_(root), writer_(std::move(root), runTime, errors) {}

void MeasureExport::exportMeasures(const ReportScope &scope, HitSet shown) {
  if (!root_) return;
  std::vector<Measure> measures;
  measures.reserve(scope.files.size());
  for (const FileSummary &summary : scope.files)
    measures.push_back(Measure{summary.file->fileKey, 0,
                               coverageMeasure(sumHits(summary.services, shown), summary.totals)});
  writer_.writeTpmMeasures(kCoverageMeasure, measures);
}
