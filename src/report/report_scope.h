// What a run reports on, computed once after the selection check and shared by
// every output: the selected files with their selected services and totals, the
// services that the run's conclusion sums, and the masks of the report lines.
#pragma once

#include <vector>

#include "support/coverage_counts.h"
#include "support/coverage_types.h"

class CoverageModel;
struct RunSettings;
struct Service;
struct SourceFile;

/// Which hit counters of a service an output reads.
enum class HitSet {
  Test, ///< testCovered: the hits of the current (or last) test
  Run,  ///< totalCovered: the hits cumulated over the run
};

/// The hits of a service in a set.
const CoverageCounts &hitsOf(const Service &service, HitSet set);
/// The sums of the hits of services in a set.
CoverageCounts sumHits(const std::vector<Service *> &services, HitSet set);

/// One selected source file and its selected services.
struct FileSummary {
  SourceFile *file = nullptr;
  /// Its services that the service selection keeps, in file order.
  std::vector<Service *> services;
  /// Sum of their static totals.
  CoverageCounts totals;
};

/// The selection of a run, fixed once the selection check has run.
struct ReportScope {
  /// Selected files (never placeholders) in load order; a file named by -FILE
  /// stays even when none of its services is selected.
  std::vector<FileSummary> files;
  /// The services of every loaded file that the service selection keeps (the
  /// file selection does not apply): what the run's final conclusion sums.
  std::vector<Service *> concludedServices;
  /// Sum of the static totals of concludedServices.
  CoverageCounts concludedTotals;
  /// Sum of the static totals of every selected file.
  CoverageCounts selectedTotals;
  /// Union of the instrumented types of every selected file.
  CoverageTypes selectedMask = 0;
  /// By Service::index: the position in `files` of the file of a selected service,
  /// -1 for a service that is not reported on.
  std::vector<int32_t> summaryOfService;
  /// Every service has an index of its own: sums over the services hit in a test
  /// can use summaryOfService.
  bool servicesIndexed = false;
  /// The requested types (0 when none was requested).
  CoverageTypes requestedMask = 0;
  /// Union of the instrumented types of every loaded file.
  CoverageTypes loadedMask = 0;

  /// The mask of the lines outside file sections: requested, else the union.
  CoverageTypes runMask() const { return requestedMask ? requestedMask : loadedMask; }
  /// The mask of the lines of a file and its services: requested, else its own.
  CoverageTypes fileMask(const SourceFile &file) const;
  /// Sum of the hits of the selected files' services in a set.
  CoverageCounts selectedHits(HitSet set) const;
};

/// Builds the scope from the model and the selection marks left by the options
/// and the selection check.
ReportScope buildReportScope(const CoverageModel &model, const RunSettings &options);
