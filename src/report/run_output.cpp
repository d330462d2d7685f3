#include "report/run_output.h"

#include <algorithm>

bool RunOutputs::keepsTestHits() const {
  return std::any_of(outputs_.begin(), outputs_.end(), [](const auto &output) {
    return output->keepsTestHits() || output->attributesTests();
  });
}

bool RunOutputs::attributesTestsOf(const SourceFile &file) const {
  return std::any_of(outputs_.begin(), outputs_.end(), [&](const auto &output) {
    return output->attributesTests() && output->attributesTestsOf(file);
  });
}

bool RunOutputs::attributesTests() const {
  return std::any_of(outputs_.begin(), outputs_.end(),
                     [](const auto &output) { return output->attributesTests(); });
}

bool RunOutputs::clearsHitFlags() const {
  return std::any_of(outputs_.begin(), outputs_.end(),
                     [](const auto &output) { return output->clearsHitFlags(); });
}

std::FILE *RunOutputs::reportStream() const {
  for (const auto &output : outputs_)
    if (std::FILE *stream = output->reportStream()) return stream;
  return stdout;
}

void RunOutputs::open() {
  each([](RunOutput &output) { output.open(); });
}

void RunOutputs::runStarted(const ReportScope &scope) {
  each([&](RunOutput &output) { output.runStarted(scope); });
}

void RunOutputs::testEnded(const ReportScope &scope, const TestState &test) {
  each([&](RunOutput &output) { output.testEnded(scope, test); });
}

void RunOutputs::groupEnded(const TestState &test) {
  each([&](RunOutput &output) { output.groupEnded(test); });
}

void RunOutputs::tracesEnded() {
  each([](RunOutput &output) { output.tracesEnded(); });
}

void RunOutputs::tracesRead(const TestState &trace) {
  each([&](RunOutput &output) { output.tracesRead(trace); });
}

void RunOutputs::runConcluded(const RunConclusion &conclusion) {
  each([&](RunOutput &output) { output.runConcluded(conclusion); });
}

void RunOutputs::reportClosed() {
  each([](RunOutput &output) { output.reportClosed(); });
}
