// The Markdown digest (-DIGEST) as an output of the run.
#pragma once

#include "export/export_file_output.h"

class DigestOutput : public ExportFileOutput {
public:
  DigestOutput(std::string path, const ExportSummary &summary);

protected:
  void write(std::FILE *out, const ExportSummary &summary) override;
};
