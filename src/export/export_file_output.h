// An output for CI systems (-XML, -JSON, -DIGEST): created before any trace is
// read, written whole after the conclusion. A file that cannot be created or
// written is fatal, and its target then keeps its old content.
#pragma once

#include <string>

#include "report/run_output.h"
#include "support/output_file.h"

class ExportSummary;

class ExportFileOutput : public RunOutput {
public:
  /// Writes a whole file from the concluded summary.
  using Writer = void (*)(std::FILE *out, const ExportSummary &summary);

  /// `option` names the file in the guard's messages; `cannotCreate` is the
  /// fatal message (context "Fatal Error", %1 the file) when it cannot be created;
  /// `writer` writes it (null for an output that overrides write).
  ExportFileOutput(const char *option, const char *cannotCreate, std::string path,
                   const ExportSummary &summary, Writer writer = nullptr);

  void declarePaths(std::vector<NamedOutput> &paths) const override;
  void open() override;
  void runConcluded(const RunConclusion &conclusion) override;

protected:
  /// Writes the whole file from the concluded summary (with the writer given).
  virtual void write(std::FILE *out, const ExportSummary &summary) { writer_(out, summary); }
  std::FILE *stream() const { return file_.stream(); }

private:
  const char *option_;
  const char *cannotCreate_;
  std::string path_;
  const ExportSummary &summary_;
  Writer writer_;
  OutputFile file_;
};
