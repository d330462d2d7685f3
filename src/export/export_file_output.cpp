#include "export/export_file_output.h"

#include "support/messages.h"

ExportFileOutput::ExportFileOutput(const char *option, const char *cannotCreate, std::string path,
                                   const ExportSummary &summary, Writer writer)
    : option_(option), cannotCreate_(cannotCreate), path_(std::move(path)), summary_(summary),
      writer_(writer) {}

void ExportFileOutput::declarePaths(std::vector<NamedOutput> &paths) const {
  paths.push_back({option_, path_});
}

void ExportFileOutput::open() {
  if (!file_.open(path_, OnFatal::LeaveTarget, nullptr))
    reportFatal(tr("Fatal Error", cannotCreate_, "%1 is the name of the file")
                    .arg(QString::fromLocal8Bit(path_.c_str())));
}

void ExportFileOutput::runConcluded(const RunConclusion &) {
  write(file_.stream(), summary_);
  file_.commitOrFail();
}
