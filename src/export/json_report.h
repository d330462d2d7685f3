// The JSON output (-JSON): the whole result of a run in a documented, versioned
// form ("format": "zeltocov-json", "version": 1; the schema ships beside this
// file). Every coverage type is given as integer hit and total counts.
#pragma once

#include <cstdio>
#include <vector>

#include "export/json_text_writer.h"

struct ExportRun;
struct RunSettings;
struct ReportScope;
struct TestState;
struct GateResult;

/// The version of the document's layout; it changes with any change that a
/// reader could notice other than an added member.
constexpr int kJsonFormatVersion = 1;

class JsonReport {
public:
  /// Writes the document's head to `out`; the tests follow as they end.
  JsonReport(std::FILE *out, const RunSettings &options);

  /// With -NOGLOBAL: writes a test that ended, with the hits of its own.
  void testEnded(const ReportScope &scope, const TestState &test);
  /// Writes the run, the gate and the files, and ends the document.
  void finish(const ExportRun &run, const std::vector<GateResult> &gate);

private:
  JsonTextWriter json_;
  const RunSettings &options_;
  bool testsOpen_ = false;
};
