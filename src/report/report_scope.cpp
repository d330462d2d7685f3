#include "report/report_scope.h"

#include "cli/report_options.h"
#include "cli/selection.h"
#include "model/coverage_model.h"

const CoverageCounts &hitsOf(const Service &service, HitSet set) {
  return set == HitSet::Test ? service.testCovered : service.totalCovered;
}

CoverageCounts sumHits(const std::vector<Service *> &services, HitSet set) {
  CoverageCounts sum;
  for (const Service *service : services)
    sum += hitsOf(*service, set);
  return sum;
}

CoverageTypes ReportScope::fileMask(const SourceFile &file) const {
  return requestedMask ? requestedMask : file.instrumentedTypes;
}

CoverageCounts ReportScope::selectedHits(HitSet set) const {
  CoverageCounts sum;
  for (const FileSummary &summary : files)
    sum += sumHits(summary.services, set);
  return sum;
}

ReportScope buildReportScope(const CoverageModel &model, const ReportOptions &options) {
  ReportScope scope;
  scope.requestedMask = options.coverageTypes;
  scope.loadedMask = model.unionOfInstrumentedTypes();
  for (const std::unique_ptr<SourceFile> &file : model.files()) {
    std::vector<Service *> kept;
    for (const std::unique_ptr<Service> &service : file->services) {
      if (!GetServiceAuth(service->name, options)) continue;
      kept.push_back(service.get());
      scope.concludedServices.push_back(service.get());
      scope.concludedTotals += service->staticCounts;
    }
    // Placeholders stand for traces of unknown sources: nothing to report on them.
    if (file->placeholder || !file->sourceName) continue;
    if (!isFileSelected(file->sourceName->text, options)) continue;
    FileSummary summary;
    summary.file = file.get();
    summary.services = std::move(kept);
    for (const Service *service : summary.services)
      summary.totals += service->staticCounts;
    scope.selectedTotals += summary.totals;
    scope.files.push_back(std::move(summary));
  }
  return scope;
}
