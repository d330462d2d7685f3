#include "driver/zeltocov_main.h"

#include <QCoreApplication>
#include <QLocale>
#include <clocale>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "cli/report_options.h"
#include "driver/translations.h"
#include "driver/version_banner.h"
#include "export/ci_outputs.h"
#include "fdc/fdc_reader.h"
#include "flow/path_trace.h"
#include "html/html_report.h"
#include "listing/write_listings.h"
#include "measures/measure_export.h"
#include "model/coverage_model.h"
#include "report/report_run.h"
#include "support/host_services.h"
#include "support/messages.h"
#include "support/name_table.h"
#include "support/output_guard.h"
#include "support/output_stream.h"
#include "support/run_clock.h"

int zeltocovMain(int argc, char **argv) {
  // Nothing may crash unreported: the crash handler comes first, with an identity
  // in the messages until the catalogs can translate it.
  setMessageIdentity(QStringLiteral("Corvane Velmora"), QStringLiteral("zeltocov"));
  ReportOptions options;

  // Qt may take its own arguments out of the vector it is given: it gets a copy.
  int applicationArgc = argc;
  std::vector<char *> applicationArgv(argv, argv + argc);
  applicationArgv.push_back(nullptr);
  QCoreApplication application(applicationArgc, applicationArgv.data());
  // The application object adopts the user's locale for the C library; the report
  // formats keep the decimal point whatever the user's locale.
  std::setlocale(LC_NUMERIC, "C");

  TranslationCatalogs catalogs;
  const QString translationDirectory = locateTranslations();
  catalogs.load(translationDirectory, QLocale::system().name());

  setMessageIdentity(tr("VelmoraIdent", "Corvane Velmora"), QStringLiteral("zeltocov"));

  if (argc == 2 && isVersionRequest(argv[1])) {
    printVersionBanner(stdout, QString(), QString());
    std::fflush(stdout);
    return 0;
  }

  // One clock for the run: every output header shows this time.
  const std::time_t runTime = takeRunTime();
  initNameTable();
  if (!analyseOptions(argc, argv, options))
    reportFatal(tr("Fatal Error", "Errors in command line"));

  // No output may destroy an input, nor two outputs write one file.
  std::vector<NamedOutput> outputs;
  if (options.outputFile) outputs.push_back({"-OUTPUT", *options.outputFile});
  if (options.cleanFile) outputs.push_back({"-CLEAN", *options.cleanFile});
  if (options.cioFile) outputs.push_back({"-CIO", *options.cioFile});
  if (options.flowFile) outputs.push_back({"-FLOW", *options.flowFile});
  if (options.xmlFile) outputs.push_back({"-XML", *options.xmlFile});
  if (options.jsonFile) outputs.push_back({"-JSON", *options.jsonFile});
  if (options.digestFile) outputs.push_back({"-DIGEST", *options.digestFile});
  checkOutputsAgainstInputs(outputs, options.inputFiles);

  CoverageModel model;
  std::vector<InputFile> traceFiles;
  for (const std::string &name : options.inputFiles)
    LoadFdcFile(name, options.coverageTypes, traceFiles, model);
  // The HTML directory is no file: its pages, known once the sources are, may
  // replace no input, no source and no other output.
  if (options.htmlDirectory)
    checkHtmlPages(*options.htmlDirectory, model, outputs, options.inputFiles);

  std::FILE *out = stdout;
  if (options.outputFile) {
    out = std::fopen(options.outputFile->c_str(), "w");
    if (!out)
      reportFatal(tr("Fatal Error", "Cannot create output file %1")
                      .arg(QString::fromLocal8Bit(*options.outputFile)));
  }
  const ReportLanguage language = reportLanguage();
  // The outputs written after the conclusion: the coverage measures of the run
  // (when a measure database is configured), then -XML, -JSON, -DIGEST and the
  // exit status of -FAILUNDER and -STRICT, then the HTML report, whose charts show
  // the measures just recorded.
  ConclusionOutputs afterConclusion;
  std::unique_ptr<MeasureExport> measures;
  if (getEnv("ZELTO_TPM_ROOT")) {
    measures = std::make_unique<MeasureExport>(runTime);
    afterConclusion.add(measures.get());
  }
  CiOutputs ciOutputs(options, runTime);
  afterConclusion.add(&ciOutputs);
  std::unique_ptr<HtmlReport> html;
  if (options.htmlDirectory) {
    html = std::make_unique<HtmlReport>(options, language, runTime);
    afterConclusion.add(html.get());
  }
  runReport(out, traceFiles, options, language, model, runTime, &afterConclusion);
  closeOutput(out, options.outputFile ? QString::fromLocal8Bit(options.outputFile->c_str())
                                      : tr("Fatal Error", "standard output",
                                           "the name of the standard output stream in messages"));

  // The annotated listings follow the closed report; the path trace report (-FLOW)
  // comes after them.
  if (options.listing) writeListings(model, options, runTime);

  if (options.flowFile) {
    std::FILE *flow = std::fopen(options.flowFile->c_str(), "w");
    if (!flow)
      reportFatal(tr("Fatal Error", "Cannot create flow output file %1")
                      .arg(QString::fromLocal8Bit(*options.flowFile)));
    // The pass writes whole blocks of its own.
    std::setvbuf(flow, nullptr, _IONBF, 0);
    runPathTrace(flow, traceFiles, options, language, model, runTime);
    closeOutput(flow, QString::fromLocal8Bit(options.flowFile->c_str()));
  }

  // Decided once every output is written.
  const int status = ciOutputs.exitStatus();
  releaseOptions(options);
  model.FreeSourceFiles();
  traceFiles.clear();
  freeNameTable();
  return status;
}
