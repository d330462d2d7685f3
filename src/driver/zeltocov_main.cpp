#include "driver/zeltocov_main.h"

#include <QCoreApplication>
#include <QLocale>
#include <clocale>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "cli/report_options.h"
#include "driver/exit_status.h"
#include "driver/output_table.h"
#include "driver/translations.h"
#include "driver/version_banner.h"
#include "export/export_summary.h"
#include "fdc/load_fdc_file.h"
#include "model/coverage_model.h"
#include "report/report_run.h"
#include "support/host_services.h"
#include "support/messages.h"
#include "support/name_table.h"
#include "support/output_guard.h"
#include "support/run_clock.h"
#include "support/unfinished_files.h"

namespace {

/// Loads the inputs and writes every output the options ask for; returns the
/// exit status.
int runWithOptions(const ReportOptions &options, std::time_t runTime) {
  CoverageModel model;
  std::vector<InputFile> traceFiles;
  for (const std::string &name : options.inputFiles)
    LoadFdcFile(name, options.coverageTypes, traceFiles, model, options.strict);

  // The outputs the options ask for, from the table of outputs. No output may
  // destroy an input (an FDC file, a trace, an argument file, a loaded source),
  // nor two outputs write one file: every path is guarded before any is opened.
  OutputContext context{options, model, traceFiles, runTime, inputsOfRun(options, model)};
  RunOutputs outputs = makeOutputs(context);
  checkOutputsAgainstInputs(outputPaths(outputs), context.inputs);
  outputs.open();
  context.language = reportLanguage();
  runReport(traceFiles, options, context.language, model, runTime, outputs);
  // The text report is closed; the listings follow it, then the path trace.
  outputs.reportClosed();

  // Decided once every output is written.
  const int status =
      decideExitStatus(options, context.summary ? &context.summary->gate() : nullptr);
  model.freeSourceFiles();
  return status;
}

} // namespace

int zeltocovMain(int argc, char **argv) {
  // Nothing may crash unreported: the crash handler comes first, with an identity
  // in the messages until the catalogs can translate it.
  setMessageIdentity(QStringLiteral("Corvane Velmora"), QStringLiteral("zeltocov"));
  // A run ended by SIGTERM, SIGHUP or SIGINT leaves every output as it was.
  installInterruptCleanup();
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
  // The settings the command line does not give.
  options.measureRoot = getEnv("ZELTO_TPM_ROOT");

  const int status = runWithOptions(options, runTime);
  releaseOptions(options);
  freeNameTable();
  return status;
}
