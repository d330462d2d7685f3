#include "export/json_output.h"

#include "export/export_summary.h"
#include "support/messages.h"

JsonOutput::JsonOutput(std::string path, const RunSettings &options, const ExportSummary &summary)
    : ExportFileOutput("-JSON", QT_TRANSLATE_NOOP("Fatal Error", "Cannot create JSON file %1"),
                       std::move(path), summary),
      options_(options) {}

void JsonOutput::open() {
  ExportFileOutput::open();
  report_ = std::make_unique<JsonReport>(stream(), options_);
}

bool JsonOutput::attributesTests() const {
  return !options_.global;
}

void JsonOutput::testEnded(const ReportScope &scope, const TestState &test) {
  report_->testEnded(scope, test);
}

void JsonOutput::write(std::FILE *, const ExportSummary &summary) {
  report_->finish(summary.run(), summary.gate());
  report_.reset();
}
