// Fuzz target: any bytes as a trace file, read by a whole report run with -CLEAN
// and -NOGLOBAL over the bundled example's model.
#include <QCoreApplication>
#include <cstdio>
#include <vector>

#include "cli/report_options.h"
#include "fdc/load_fdc_file.h"
#include "fuzz_support.h"
#include "model/coverage_model.h"
#include "report/report_run.h"
#include "report/text_report_output.h"
#include "support/name_table.h"

namespace {

std::string fdcPath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setExitHandler(fuzzExit);
  fdcPath = ZELTOCOV_FUZZ_FDC;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  initNameTable();
  {
    MemoryFile trace(data, size);
    CoverageModel model;
    std::vector<InputFile> traces;
    ReportOptions options;
    // The first byte chooses the mode.
    const uint8_t mode = size > 0 ? data[0] : 0;
    options.global = (mode & 1) != 0;
    options.iterations = (mode & 2) != 0;
    options.cleanFile = "/dev/null";
    options.mergeTests = (mode & 4) != 0;
    options.summaryLevel = static_cast<SummaryLevel>((mode >> 3) & 3);
    RunOutputs outputs;
    outputs.add(std::make_unique<TextReportOutput>(std::string("/dev/null"), !options.global));
    try {
      LoadFdcFile(fdcPath, 0, traces, model);
      traces.push_back(InputFile{trace.path(), trace.path()});
      outputs.open();
      runReport(traces, options, English, model, 0, outputs);
      outputs.reportClosed();
    } catch (const FatalExit &) {
    }
    releaseOptions(options);
    model.freeSourceFiles();
  }
  freeNameTable();
  return 0;
}
