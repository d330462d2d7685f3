// The JSON file (-JSON) as an output of the run: its tests are written as they end.
#pragma once

#include <memory>

#include "export/export_file_output.h"
#include "export/json_report.h"

class JsonOutput : public ExportFileOutput {
public:
  JsonOutput(std::string path, const RunSettings &options, const ExportSummary &summary);

  void open() override;
  void testEnded(const ReportScope &scope, const TestState &test) override;
  /// With -NOGLOBAL the lines and hit items carry the tests that ran them.
  bool attributesTests() const override;

protected:
  void write(std::FILE *out, const ExportSummary &summary) override;

private:
  const RunSettings &options_;
  std::unique_ptr<JsonReport> report_;
};
