#include "report/run_output.h"

bool RunOutputs::keepsTestHits() const {
  for (const auto &output : outputs_)
    if (output->keepsTestHits()) return true;
  return false;
}

bool RunOutputs::clearsHitFlags() const {
  for (const auto &output : outputs_)
    if (output->clearsHitFlags()) return true;
  return false;
}

void RunOutputs::open() {
  for (const auto &output : outputs_)
    output->open();
}

std::FILE *RunOutputs::reportStream() const {
  for (const auto &output : outputs_)
    if (std::FILE *stream = output->reportStream()) return stream;
  return stdout;
}

void RunOutputs::runStarted(const ReportScope &scope) {
  for (const auto &output : outputs_)
    output->runStarted(scope);
}

void RunOutputs::testEnded(const ReportScope &scope, const TestState &test) {
  for (const auto &output : outputs_)
    output->testEnded(scope, test);
}

void RunOutputs::groupEnded(const TestState &test) {
  for (const auto &output : outputs_)
    output->groupEnded(test);
}

void RunOutputs::tracesEnded() {
  for (const auto &output : outputs_)
    output->tracesEnded();
}

void RunOutputs::tracesRead(const TestState &trace) {
  for (const auto &output : outputs_)
    output->tracesRead(trace);
}

void RunOutputs::runConcluded(const RunConclusion &conclusion) {
  for (const auto &output : outputs_)
    output->runConcluded(conclusion);
}

void RunOutputs::reportClosed() {
  for (const auto &output : outputs_)
    output->reportClosed();
}
