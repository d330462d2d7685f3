// Cost of the measures of one run: the export that a run with N selected files
// makes after its conclusion (N measures, each under the lock of the database),
// timed on a database in a temporary directory.
//
//   measures_perftest [--files N] [--runs N]
//
// Runs are made one after the other on the same database, as successive report
// runs would: the first creates it, the next ones measure every key again. Each
// line gives the time of one whole export and the time per measure.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "measures/measure_export.h"
#include "model/coverage_records.h"
#include "support/host_services.h"
#include "support/messages.h"
#include "test_support.h"

int main(int argc, char **argv) {
  int files = 500, runs = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--files") == 0) files = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
  }
  setMessageIdentity("Corvane Velmora", "zeltocov");

  TempDir dir;
  std::filesystem::create_directories(dir.path() + "/Coverage");
  setenv("ZELTO_TPM_ROOT", dir.path().c_str(), 1);
  setenv("ZELTO_TPM_USER", "perf", 1);

  // One service per file, with counts of every kind.
  std::mt19937 random(20240601);
  std::vector<std::unique_ptr<SourceFile>> sources;
  ReportScope scope;
  for (int i = 0; i < files; ++i) {
    auto file = std::make_unique<SourceFile>();
    file->fileKey = static_cast<uint32_t>(random());
    auto service = std::make_unique<Service>();
    for (int c = 0; c < CntCount; ++c) {
      service->staticCounts[c] = random() % 100 + 1;
      service->totalCovered[c] = random() % (service->staticCounts[c] + 1);
    }
    FileSummary summary;
    summary.file = file.get();
    summary.services.push_back(service.get());
    summary.totals = service->staticCounts;
    file->services.push_back(std::move(service));
    scope.files.push_back(std::move(summary));
    sources.push_back(std::move(file));
  }

  std::printf("%d measures per run, database in %s\n", files, dir.path().c_str());
  for (int run = 1; run <= runs; ++run) {
    MeasureExport measures(getEnv("ZELTO_TPM_ROOT"), 1700000000 + run);
    const auto start = std::chrono::steady_clock::now();
    measures.exportMeasures(scope, HitSet::Run);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf(
        "run %d (%s): %.1f ms, %.1f us per measure, database of %ju bytes\n", run,
        run == 1 ? "new database" : "every key again", elapsed.count() * 1e3,
        elapsed.count() * 1e6 / files,
        static_cast<uintmax_t>(std::filesystem::file_size(dir.path() + "/Coverage/perf.20.tpm")));
  }
  return 0;
}
