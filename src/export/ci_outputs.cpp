#include "export/ci_outputs.h"

#include "cli/report_options.h"
#include "export/cobertura_xml.h"
#include "export/export_run.h"
#include "export/export_text.h"
#include "export/json_report.h"
#include "export/markdown_digest.h"
#include "support/messages.h"
#include "trace/test_state.h"

CiOutputs::Output CiOutputs::create(const std::optional<std::string> &name, const char *failure) {
  Output output;
  if (!name) return output;
  output.name = *name;
  output.stream = std::fopen(name->c_str(), "w");
  if (!output.stream)
    reportFatal(tr("Fatal Error", failure, "%1 is the name of the file")
                    .arg(QString::fromLocal8Bit(name->c_str())));
  return output;
}

void CiOutputs::close(Output &output) {
  if (!output.stream) return;
  const bool failed = std::ferror(output.stream) != 0;
  if (std::fclose(output.stream) != 0 || failed)
    reportError(tr("User Error", "Cannot write all of %1", "%1 is the name of the file")
                    .arg(QString::fromLocal8Bit(output.name.c_str())));
  output.stream = nullptr;
}

CiOutputs::CiOutputs(const ReportOptions &options, std::time_t runTime)
    : options_(options), runTime_(runTime) {
  xml_ = create(options.xmlFile, QT_TRANSLATE_NOOP("Fatal Error", "Cannot create XML file %1"));
  json_ = create(options.jsonFile, QT_TRANSLATE_NOOP("Fatal Error", "Cannot create JSON file %1"));
  digest_ =
      create(options.digestFile, QT_TRANSLATE_NOOP("Fatal Error", "Cannot create digest file %1"));
  if (json_.stream) jsonReport_ = std::make_unique<JsonReport>(json_.stream, options);
}

CiOutputs::~CiOutputs() {
  close(xml_);
  close(json_);
  close(digest_);
}

void CiOutputs::testEnded(const ReportScope &scope, const TestState &test) {
  if (jsonReport_) jsonReport_->testEnded(scope, test);
}

void CiOutputs::tracesRead(const TestState &trace) {
  countOriented_ = trace.countOriented;
}

void CiOutputs::runConcluded(const ReportScope &scope, HitSet) {
  // Every output shows the hits of the whole run, whatever the report showed last.
  ExportRun run;
  run.scope = &scope;
  run.options = &options_;
  run.runTime = runTime_;
  run.countOriented = countOriented_;
  run.currentDirectory = currentDirectoryPath();
  concludeRun(run);
  gate_ = evaluateGate(options_.coverageThresholds, run.totals, run.hits, scope.runMask());

  if (xml_.stream) {
    writeCoberturaXml(xml_.stream, run);
    close(xml_);
  }
  if (jsonReport_) {
    jsonReport_->finish(run, gate_);
    jsonReport_.reset();
    close(json_);
  }
  if (digest_.stream) {
    writeMarkdownDigest(digest_.stream, run, gate_);
    close(digest_);
  }
}

int CiOutputs::exitStatus() {
  // Errors of the run are counted before the gate adds its own; an input left
  // out counts as one, whatever its message said.
  const bool errors = options_.strict && (errorsReported() > 0 || inputsDropped() > 0);
  const bool below = reportGateFailures(gate_);
  if (errors) return kExitStrictErrors;
  return below ? kExitCoverageBelow : 0;
}
