#include "export/affected_tests.h"

#include "export/export_run.h"
#include "report/test_attribution.h"

void writeAffectedTests(std::FILE *out, const ExportRun &run) {
  if (!run.changes) return;
  const ChangeReport &changes = *run.changes;
  if (run.attribution)
    for (const uint32_t ordinal : changes.tests)
      std::fprintf(out, "%s\n", run.attribution->testName(ordinal));
  std::fputs("# not covered by any test\n", out);
  for (const ChangedLine &line : changes.lines)
    if (!line.hit) std::fprintf(out, "%s:%u\n", line.path.c_str(), line.line);
}
