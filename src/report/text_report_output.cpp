#include "report/text_report_output.h"

#include "support/messages.h"
#include "support/output_stream.h"

void TextReportOutput::declarePaths(std::vector<NamedOutput> &paths) const {
  if (path_) paths.push_back({"-OUTPUT", *path_});
}

void TextReportOutput::open() {
  if (!path_) return;
  if (!file_.open(*path_, OnFatal::KeepWritten, nullptr))
    reportFatal(tr("Fatal Error", "Cannot create output file %1")
                    .arg(QString::fromLocal8Bit(path_->c_str())));
}

std::FILE *TextReportOutput::reportStream() {
  return path_ ? file_.stream() : stdout;
}

void TextReportOutput::reportClosed() {
  if (path_)
    file_.commitOrFail();
  else
    closeOutput(stdout, tr("Fatal Error", "standard output",
                           "the name of the standard output stream in messages"));
}
