#include "report/report_run.h"

#include <memory>

#include "model/hit_recorder.h"
#include "report/report_labels.h"
#include "report/report_scope.h"
#include "report/run_output.h"
#include "report/selection_check.h"
#include "report/test_attribution.h"
#include "report/text_report.h"
#include "trace/test_state.h"
#include "trace/trace_events.h"
#include "trace/trace_reader.h"

namespace {

/// One report run: owns the run state and answers the trace reader at test
/// boundaries.
class ReportRun : public TraceEvents {
public:
  ReportRun(const RunSettings &options, ReportLanguage language, CoverageModel &model,
            std::time_t runTime, RunOutputs &outputs)
      : runTime_(runTime), outputs_(outputs), recorder_(model) {
    state_.out = outputs.reportStream();
    state_.runTime = runTime;
    state_.options = &options;
    state_.language = language;
    state_.hits = &recorder_;
    if (outputs.attributesTests()) attribution_ = std::make_unique<TestAttribution>();
  }

  void run(const std::vector<InputFile> &traceFiles);

  void testEnded() override {
    if (!state_.options->global) writeTestReport(state_);
    if (attribution_)
      attribution_->testEnded(recorder_.servicesHitInTest(), state_.trace->testName);
    outputs_.testEnded(scope_, *state_.trace);
  }
  void groupEnded() override { outputs_.groupEnded(*state_.trace); }
  void tracesEnded() override { outputs_.tracesEnded(); }
  bool keepsTestHits() const override { return outputs_.keepsTestHits(); }
  bool clearsHitFlags() const override { return outputs_.clearsHitFlags(); }

private:
  void writeRunConclusion();

  const std::time_t runTime_;
  RunOutputs &outputs_;
  ReportScope scope_;
  HitRecorder recorder_;
  ReportRunState state_;
  /// Which tests hit each item, when an output reads it.
  std::unique_ptr<TestAttribution> attribution_;
};

void ReportRun::run(const std::vector<InputFile> &traceFiles) {
  const RunSettings &options = *state_.options;
  const CoverageModel &model = recorder_.model();

  // The name of a test that has no name of its own.
  internName("#");

  checkSelection(options, model);
  scope_ = buildReportScope(model, options);
  state_.scope = &scope_;
  state_.effectiveMask = scope_.runMask();
  outputs_.runStarted(scope_);
  if (attribution_) {
    // Only the files whose tests an output reads are recorded.
    std::vector<bool> recorded(model.serviceCount(), false);
    for (const std::unique_ptr<SourceFile> &file : model.files())
      if (outputs_.attributesTestsOf(*file))
        for (const std::unique_ptr<Service> &service : file->services)
          recorded[service->index] = true;
    attribution_->recordOnly(std::move(recorded));
  }
  writeReportHeader(state_);

  TraceReader reader(recorder_, options, this, runTime_);
  state_.trace = &reader.state();
  reader.run(traceFiles);
  outputs_.tracesRead(reader.state());

  if (options.global) {
    // The whole run as one report, ending with the run conclusion.
    writeTestReport(state_);
  } else {
    reader.resetTypeSet();
    writeRunConclusion();
  }
  RunConclusion conclusion;
  conclusion.scope = &scope_;
  conclusion.shown = options.global ? HitSet::Run : HitSet::Test;
  conclusion.totals = state_.runTotals;
  conclusion.hits = state_.runHits;
  conclusion.attribution = attribution_.get();
  outputs_.runConcluded(conclusion);

  reader.finishCleanedOutput();
  writeSeparator(state_);
  state_.trace = nullptr;
}

void ReportRun::writeRunConclusion() {
  state_.effectiveMask = scope_.runMask();
  // Every file counts here, selected or not; only the service selection applies.
  state_.runTotals = scope_.concludedTotals;
  state_.runHits = sumHits(scope_.concludedServices, HitSet::Run);
  writeSeparator(state_);
  writeSection(state_, nullptr, "", kReportLabels.get(LblRunConclusion, state_.language), nullptr,
               state_.runTotals, state_.runHits, state_.reportedMask);
}

} // namespace

void runReport(const std::vector<InputFile> &traceFiles, const RunSettings &options,
               ReportLanguage language, CoverageModel &model, std::time_t runTime,
               RunOutputs &outputs) {
  ReportRun run(options, language, model, runTime, outputs);
  run.run(traceFiles);
}
