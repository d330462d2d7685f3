// The outputs of a run, each a peer behind one interface: it names the files it
// will write before anything is opened, hears the run's events in the order of
// the table of outputs, and writes its files whole.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "report/report_scope.h"
#include "support/coverage_counts.h"
#include "support/output_guard.h"

class CoverageModel;
class TestAttribution;
struct SourceFile;
struct TestState;

/// The run's conclusion as the outputs read it.
struct RunConclusion {
  /// What the run reported on.
  const ReportScope *scope = nullptr;
  /// The hits the reports showed (the run's with -GLOBAL, the last test's with
  /// -NOGLOBAL).
  HitSet shown = HitSet::Run;
  /// The totals and hits of the text report's conclusion.
  CoverageCounts totals;
  CoverageCounts hits;
  /// Which tests hit each item, when an output asked for it (attributesTests).
  const TestAttribution *attribution = nullptr;
};

class RunOutput {
public:
  virtual ~RunOutput() = default;

  /// Appends every file this output will write, with the option that names it.
  virtual void declarePaths(std::vector<NamedOutput> &paths) const = 0;
  /// The output keeps each test's hits apart (the services' testCovered are
  /// those of the test alone).
  virtual bool keepsTestHits() const { return false; }
  /// The output reads which tests hit each item (RunConclusion::attribution);
  /// it keeps each test's hits apart too.
  virtual bool attributesTests() const { return false; }
  /// Of an output that attributes tests, whether it reads the tests of the items
  /// of this file; asked once the run has started (every file by default).
  virtual bool attributesTestsOf(const SourceFile &file) const {
    (void)file;
    return attributesTests();
  }
  /// The output consumes the items' current-test marks (see countNewHits).
  virtual bool clearsHitFlags() const { return false; }

  /// Creates what must exist before any trace is read (a file that cannot be
  /// created is fatal); called in table order once every path is guarded.
  virtual void open() {}
  /// The stream the text report is written to, for the output that holds it.
  virtual std::FILE *reportStream() { return nullptr; }

  /// The selections are checked and the scope is built, before the report header.
  virtual void runStarted(const ReportScope &scope) { (void)scope; }
  /// A selected test has ended, after its modified conditions were evaluated.
  virtual void testEnded(const ReportScope &scope, const TestState &test) {
    (void)scope;
    (void)test;
  }
  /// A group of tests has ended.
  virtual void groupEnded(const TestState &test) { (void)test; }
  /// The last trace file is read and the last test has ended.
  virtual void tracesEnded() {}
  /// The reading pass has ended, before the conclusion: `trace` holds the run's
  /// count orientation.
  virtual void tracesRead(const TestState &trace) { (void)trace; }
  /// The text report's conclusion is written.
  virtual void runConcluded(const RunConclusion &conclusion) { (void)conclusion; }
  /// The text report is closed (the listings, then the path trace, follow it).
  virtual void reportClosed() {}
};

/// The outputs of a run, in the order of the table of outputs; each event goes
/// to each of them in that order.
class RunOutputs {
public:
  void add(std::unique_ptr<RunOutput> output) { outputs_.push_back(std::move(output)); }
  const std::vector<std::unique_ptr<RunOutput>> &all() const { return outputs_; }

  /// Some output keeps each test's hits apart, or attributes tests.
  bool keepsTestHits() const;
  bool attributesTests() const;
  /// Some output that attributes tests reads those of the file's items.
  bool attributesTestsOf(const SourceFile &file) const;
  bool clearsHitFlags() const;
  void open();
  /// The text report's stream; standard output when no output holds it.
  std::FILE *reportStream() const;
  void runStarted(const ReportScope &scope);
  void testEnded(const ReportScope &scope, const TestState &test);
  void groupEnded(const TestState &test);
  void tracesEnded();
  void tracesRead(const TestState &trace);
  void runConcluded(const RunConclusion &conclusion);
  void reportClosed();

private:
  /// Gives an event to each output, in table order.
  template <typename Event> void each(Event &&event) {
    for (const auto &output : outputs_)
      event(*output);
  }

  std::vector<std::unique_ptr<RunOutput>> outputs_;
};
