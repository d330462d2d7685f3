// Fuzz target: any bytes as an FDC file.
#include <QCoreApplication>
#include <cstdio>
#include <vector>

#include "fdc/load_fdc_file.h"
#include "fuzz_support.h"
#include "model/hit_recorder.h"
#include "support/name_table.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setExitHandler(fuzzExit);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  initNameTable();
  {
    MemoryFile input(data, size);
    CoverageModel model;
    HitRecorder hits{model};
    std::vector<InputFile> traces;
    try {
      LoadFdcFile(input.path(), 0, traces, model);
      // Whatever loads must answer lookups of every kind and a few IDs.
      for (const auto &file : model.files())
        for (int kind = KindProcPoint; kind <= KindCondition; ++kind)
          for (uint32_t id : {0u, 1u, 7u, 0xFFFFFFFFu})
            (void)hits.findBranch(*file, kind, id);
    } catch (const FatalExit &) {
    }
    model.freeSourceFiles();
  }
  freeNameTable();
  return 0;
}
