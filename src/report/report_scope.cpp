#include "report/report_scope.h"

#include "cli/selection.h"
#include "model/coverage_model.h"
#include "support/run_settings.h"

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

ReportScope buildReportScope(const CoverageModel &model, const RunSettings &options) {
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
    scope.selectedMask |= file->instrumentedTypes;
    scope.files.push_back(std::move(summary));
  }

  // Which file each selected service is reported in, when every service has an
  // index of its own.
  const uint32_t count = model.serviceCount();
  std::vector<bool> seen(count, false);
  scope.servicesIndexed = true;
  for (const std::unique_ptr<SourceFile> &file : model.files())
    for (const std::unique_ptr<Service> &service : file->services) {
      if (service->index >= count || seen[service->index]) scope.servicesIndexed = false;
      if (service->index < count) seen[service->index] = true;
    }
  if (scope.servicesIndexed) {
    scope.summaryOfService.assign(count, -1);
    for (std::size_t i = 0; i < scope.files.size(); ++i)
      for (const Service *service : scope.files[i].services)
        scope.summaryOfService[service->index] = static_cast<int32_t>(i);
  }
  return scope;
}
