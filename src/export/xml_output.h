// The Cobertura XML file (-XML) as an output of the run.
#pragma once

#include "export/export_file_output.h"

class XmlOutput : public ExportFileOutput {
public:
  XmlOutput(std::string path, const ExportSummary &summary);

protected:
  void write(std::FILE *out, const ExportSummary &summary) override;
};
