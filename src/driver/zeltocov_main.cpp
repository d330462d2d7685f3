#include "driver/zeltocov_main.h"

#include <QCoreApplication>
#include <QLocale>
#include <clocale>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "cli/report_options.h"
#include "driver/translations.h"
#include "driver/version_banner.h"
#include "fdc/fdc_reader.h"
#include "flow/path_trace.h"
#include "model/coverage_model.h"
#include "report/report_run.h"
#include "support/host_services.h"
#include "support/messages.h"
#include "support/name_table.h"
#include "support/run_clock.h"

int zeltocovMain(int argc, char **argv) {
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

  CoverageModel model;
  std::vector<std::string> traceFiles;
  for (const std::string &name : options.inputFiles)
    LoadFdcFile(name, options.coverageTypes, traceFiles, model);

  std::FILE *out = stdout;
  if (options.outputFile) {
    out = std::fopen(options.outputFile->c_str(), "w");
    if (!out)
      reportFatal(tr("Fatal Error", "Cannot create output file %1")
                      .arg(QString::fromLocal8Bit(*options.outputFile)));
  }
  const int language = reportLanguage();
  runReport(out, traceFiles, options, language, model, runTime);
  if (options.outputFile)
    std::fclose(out);
  else
    std::fflush(stdout);

  // The annotated listings (-LISTING) are written here, after the report output
  // has been closed, and the path trace report (-FLOW) after them.

  if (options.flowFile) {
    std::FILE *flow = std::fopen(options.flowFile->c_str(), "w");
    if (!flow)
      reportFatal(tr("Fatal Error", "Cannot create flow output file %1")
                      .arg(QString::fromLocal8Bit(*options.flowFile)));
    // The buffer lives until the stream is closed.
    std::vector<char> flowBuffer(kPathTraceStreamBuffer);
    std::setvbuf(flow, flowBuffer.data(), _IOFBF, flowBuffer.size());
    runPathTrace(flow, traceFiles, options, language, model, runTime);
    std::fclose(flow);
  }

  releaseOptions(options);
  model.FreeSourceFiles();
  traceFiles.clear();
  freeNameTable();
  return 0;
}
