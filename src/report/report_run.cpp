#include "report/report_run.h"

#include <memory>

#include "model/coverage_model.h"
#include "report/cio_file.h"
#include "report/report_labels.h"
#include "report/report_scope.h"
#include "report/selection_check.h"
#include "report/text_report.h"
#include "trace/test_state.h"
#include "trace/trace_events.h"
#include "trace/trace_reader.h"

namespace {

/// One report run: owns the run state and answers the trace reader at test
/// boundaries.
class ReportRun : public TraceEvents {
public:
  ReportRun(std::FILE *out, const ReportOptions &options, ReportLanguage language,
            CoverageModel &model, std::time_t runTime, ConclusionOutput *afterConclusion)
      : runTime_(runTime), afterConclusion_(afterConclusion) {
    state_.out = out;
    state_.runTime = runTime;
    state_.options = &options;
    state_.language = language;
    state_.model = &model;
  }

  void run(const std::vector<InputFile> &traceFiles);

  void testEnded() override {
    if (!state_.options->global) writeTestReport(state_);
    if (cio_) cio_->writeCioTest(*state_.trace);
    if (afterConclusion_) afterConclusion_->testEnded(scope_, *state_.trace);
  }
  void groupEnded() override {
    if (cio_) cio_->writeCioGroup(*state_.trace);
  }
  void tracesEnded() override {
    if (cio_) cio_->writeCioGlobal();
  }
  bool keepsTestHits() const override {
    return !state_.options->global || state_.options->cioFile.has_value();
  }
  bool clearsHitFlags() const override { return cio_ != nullptr; }

private:
  void writeRunConclusion();

  const std::time_t runTime_;
  ConclusionOutput *afterConclusion_;
  ReportScope scope_;
  ReportRunState state_;
  /// The CIO file, with -CIO.
  std::unique_ptr<CioFile> cio_;
};

void ReportRun::run(const std::vector<InputFile> &traceFiles) {
  const ReportOptions &options = *state_.options;
  CoverageModel &model = *state_.model;

  // The name of a test that has no name of its own.
  internName("#");

  checkSelection(options, model);
  scope_ = buildReportScope(model, options);
  state_.scope = &scope_;
  state_.effectiveMask = scope_.runMask();
  if (options.cioFile) {
    cio_ = std::make_unique<CioFile>(scope_, scope_.runMask());
    cio_->openCio(*options.cioFile, runTime_);
  }
  writeReportHeader(state_);

  TraceReader reader(model, options, this, runTime_);
  state_.trace = &reader.state();
  reader.run(traceFiles);
  if (afterConclusion_) afterConclusion_->tracesRead(reader.state());

  if (options.global) {
    // The whole run as one report, ending with the run conclusion.
    writeTestReport(state_);
  } else {
    reader.resetTypeSet();
    writeRunConclusion();
  }
  if (cio_) {
    cio_->writeCioRoot(model, state_.runTotals, state_.runHits);
    cio_.reset();
  }
  if (afterConclusion_)
    afterConclusion_->runConcluded(scope_, options.global ? HitSet::Run : HitSet::Test);

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

void runReport(std::FILE *out, const std::vector<InputFile> &traceFiles,
               const ReportOptions &options, ReportLanguage language, CoverageModel &model,
               std::time_t runTime, ConclusionOutput *afterConclusion) {
  ReportRun run(out, options, language, model, runTime, afterConclusion);
  run.run(traceFiles);
}
