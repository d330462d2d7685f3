#include "report/cio_output.h"

CioOutput::CioOutput(std::string path, const CoverageModel &model, std::time_t runTime)
    : path_(std::move(path)), model_(model), runTime_(runTime) {}

void CioOutput::declarePaths(std::vector<NamedOutput> &paths) const {
  paths.push_back({"-CIO", path_});
}

void CioOutput::runStarted(const ReportScope &scope) {
  cio_ = std::make_unique<CioFile>(scope, scope.runMask());
  cio_->openCio(path_, runTime_);
}

void CioOutput::testEnded(const ReportScope &, const TestState &test) {
  cio_->writeCioTest(test);
}

void CioOutput::groupEnded(const TestState &test) {
  cio_->writeCioGroup(test);
}

void CioOutput::tracesEnded() {
  cio_->writeCioGlobal();
}

void CioOutput::runConcluded(const RunConclusion &conclusion) {
  cio_->writeCioRoot(model_, conclusion.totals, conclusion.hits);
  cio_.reset();
}
