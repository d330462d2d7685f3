#include "driver/output_table.h"

#include "cli/report_options.h"
#include "export/affected_tests.h"
#include "export/cobertura_xml.h"
#include "export/export_summary.h"
#include "export/json_output.h"
#include "export/markdown_digest.h"
#include "flow/path_trace_output.h"
#include "html/html_report.h"
#include "listing/listing_output.h"
#include "measures/measure_export.h"
#include "model/coverage_model.h"
#include "report/cio_output.h"
#include "report/text_report_output.h"
#include "support/messages.h"
#include "support/paths.h"
#include "support/source_map.h"

namespace {

/// An output written by the reading pass itself (the cleaned trace): the table
/// knows its path.
class PassOutput : public RunOutput {
public:
  PassOutput(const char *option, std::string path) : option_(option), path_(std::move(path)) {}
  void declarePaths(std::vector<NamedOutput> &paths) const override {
    paths.push_back({option_, path_});
  }

private:
  const char *option_;
  std::string path_;
};

bool wantsCiSummary(const ReportOptions &options) {
  return options.xmlFile || options.jsonFile || options.digestFile ||
         !options.coverageThresholds.empty() || options.changesFile || options.affectedFile;
}

} // namespace

const std::vector<OutputKind> &outputTable() {
  static const std::vector<OutputKind> table = {
      {"-OUTPUT (standard output without it)", [](const ReportOptions &) { return true; },
       [](OutputContext &c) -> std::unique_ptr<RunOutput> {
         return std::make_unique<TextReportOutput>(c.options.outputFile, !c.options.global);
       }},
      {"-CIO", [](const ReportOptions &o) { return o.cioFile.has_value(); },
       [](OutputContext &c) -> std::unique_ptr<RunOutput> {
         return std::make_unique<CioOutput>(*c.options.cioFile, c.model, c.runTime);
       }},
      {"-CLEAN", [](const ReportOptions &o) { return o.cleanFile.has_value(); },
       [](OutputContext &c) -> std::unique_ptr<RunOutput> {
         return std::make_unique<PassOutput>("-CLEAN", *c.options.cleanFile);
       }},
      // The measures come before the HTML report, whose charts show them.
      {"ZELTO_TPM_ROOT", [](const ReportOptions &o) { return o.measureRoot.has_value(); },
       [](OutputContext &c) -> std::unique_ptr<RunOutput> {
         return std::make_unique<MeasureExport>(c.options.measureRoot, c.runTime);
       }},
      {"-XML -JSON -DIGEST -FAILUNDER -CHANGES -AFFECTED", wantsCiSummary,
       [](OutputContext &c) -> std::unique_ptr<RunOutput> {
         auto summary = std::make_unique<ExportSummary>(c.options, c.runTime);
         c.summary = summary.get();
         return summary;
       }},
      {"-XML", [](const ReportOptions &o) { return o.xmlFile.has_value(); },
       [](OutputContext &c) -> std::unique_ptr<RunOutput> {
         return std::make_unique<ExportFileOutput>(
             "-XML", QT_TRANSLATE_NOOP("Fatal Error", "Cannot create XML file %1"),
             *c.options.xmlFile, *c.summary,
             [](std::FILE *out, const ExportSummary &s) { writeCoberturaXml(out, s.run()); });
       }},
      {"-JSON", [](const ReportOptions &o) { return o.jsonFile.has_value(); },
       [](OutputContext &c) -> std::unique_ptr<RunOutput> {
         return std::make_unique<JsonOutput>(*c.options.jsonFile, c.options, *c.summary);
       }},
      {"-DIGEST", [](const ReportOptions &o) { return o.digestFile.has_value(); },
       [](OutputContext &c) -> std::unique_ptr<RunOutput> {
         return std::make_unique<ExportFileOutput>(
             "-DIGEST", QT_TRANSLATE_NOOP("Fatal Error", "Cannot create digest file %1"),
             *c.options.digestFile, *c.summary, [](std::FILE *out, const ExportSummary &s) {
               writeMarkdownDigest(out, s.run(), s.gate());
             });
       }},
      {"-AFFECTED", [](const ReportOptions &o) { return o.affectedFile.has_value(); },
       [](OutputContext &c) -> std::unique_ptr<RunOutput> {
         return std::make_unique<ExportFileOutput>(
             "-AFFECTED",
             QT_TRANSLATE_NOOP("Fatal Error", "Cannot create the file of affected tests %1"),
             *c.options.affectedFile, *c.summary,
             [](std::FILE *out, const ExportSummary &s) { writeAffectedTests(out, s.run()); });
       }},
      {"-HTML", [](const ReportOptions &o) { return o.htmlDirectory.has_value(); },
       [](OutputContext &c) -> std::unique_ptr<RunOutput> {
         return std::make_unique<HtmlReport>(c.options, *c.options.htmlDirectory, c.model,
                                             c.language, c.runTime, c.inputs);
       }},
      // After the text report is closed: the listings, then the path trace.
      {"-LISTING", [](const ReportOptions &o) { return o.listing; },
       [](OutputContext &c) -> std::unique_ptr<RunOutput> {
         return std::make_unique<ListingOutput>(c.model, c.options, c.options.listingDirectory,
                                                c.runTime);
       }},
      {"-FLOW", [](const ReportOptions &o) { return o.flowFile.has_value(); },
       [](OutputContext &c) -> std::unique_ptr<RunOutput> {
         return std::make_unique<PathTraceOutput>(*c.options.flowFile, c.traceFiles, c.options,
                                                  c.model, c.runTime);
       }},
  };
  return table;
}

RunOutputs makeOutputs(OutputContext &context) {
  RunOutputs outputs;
  for (const OutputKind &kind : outputTable())
    if (kind.wanted(context.options)) outputs.add(kind.make(context));
  return outputs;
}

std::vector<NamedOutput> outputPaths(const RunOutputs &outputs) {
  std::vector<NamedOutput> paths;
  for (const auto &output : outputs.all())
    output->declarePaths(paths);
  return paths;
}

std::vector<std::string> inputsOfRun(const ReportOptions &options, const CoverageModel &model) {
  std::vector<std::string> inputs = options.inputFiles;
  inputs.insert(inputs.end(), options.argumentFiles.begin(), options.argumentFiles.end());
  if (options.changesFile) inputs.push_back(*options.changesFile);
  for (const std::unique_ptr<SourceFile> &file : model.files())
    if (!file->placeholder && file->sourceName)
      inputs.push_back(MappedSourcePath(file->sourceDir, file->sourceName));
  return inputs;
}
