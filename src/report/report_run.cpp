#include "report/report_run.h"

#include "driver/selection.h"
#include "fdc/coverage_model.h"
#include "report/report_labels.h"
#include "report/selection_check.h"
#include "report/text_report.h"
#include "trace/test_state.h"
#include "trace/trace_reader.h"

namespace {

/// One report run: owns the run state and answers the trace reader at test
/// boundaries.
class ReportRun : public TestBoundaryListener {
public:
  ReportRun(std::FILE *out, const ReportOptions &options, int language, CoverageModel &model) {
    state_.out = out;
    state_.options = &options;
    state_.language = language;
    state_.model = &model;
  }

  void run(const std::vector<std::string> &traceFiles);

  void writeTestReport() override { ::writeTestReport(state_); }
  // The CIO file is written in a later step of the program's construction; until
  // then -CIO produces no records.
  void writeCioTest() override {}
  void writeCioGroup() override {}
  void writeCioGlobal() override {}

private:
  void writeRunConclusion();

  ReportRunState state_;
};

void ReportRun::run(const std::vector<std::string> &traceFiles) {
  const ReportOptions &options = *state_.options;
  CoverageModel &model = *state_.model;

  // The name of a test that has no name of its own.
  internName("#");
  state_.loadedMask = model.unionOfInstrumentedTypes();
  state_.effectiveMask = defaultEffectiveMask(state_);

  checkSelection(options, model);
  writeReportHeader(state_);

  TraceReader reader(model, options, this);
  state_.trace = &reader.state();
  reader.run(traceFiles);

  if (options.global) {
    // The whole run as one report, ending with the run conclusion.
    writeTestReport();
  } else {
    reader.resetTypeSet();
    writeRunConclusion();
  }
  // The CIO root section and the export of the measures take their place here in
  // a later step; until then the run goes on with the cleaned traces.

  reader.finishCleanedOutput();
  writeSeparator(state_);
  state_.trace = nullptr;
}

void ReportRun::writeRunConclusion() {
  const ReportOptions &options = *state_.options;
  state_.effectiveMask = defaultEffectiveMask(state_);
  // Every file counts here, selected or not; only the service selection applies.
  state_.runTotals.clear();
  state_.runHits.clear();
  for (const std::unique_ptr<SourceFile> &file : state_.model->files()) {
    for (const std::unique_ptr<Service> &service : file->services) {
      if (!GetServiceAuth(service->name, options)) continue;
      state_.runTotals += service->staticCounts;
      state_.runHits += service->totalCovered;
    }
  }
  writeSeparator(state_);
  writeSection(state_, nullptr, "", kReportLabels.get(LblRunConclusion, state_.language), nullptr,
               state_.runTotals, state_.runHits, state_.reportedMask);
}

} // namespace

void runReport(std::FILE *out, const std::vector<std::string> &traceFiles,
               const ReportOptions &options, int language, CoverageModel &model) {
  ReportRun run(out, options, language, model);
  run.run(traceFiles);
}
