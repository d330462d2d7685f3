#include "export/digest_output.h"

#include "export/export_summary.h"
#include "export/markdown_digest.h"
#include "support/messages.h"

DigestOutput::DigestOutput(std::string path, const ExportSummary &summary)
    : ExportFileOutput("-DIGEST", QT_TRANSLATE_NOOP("Fatal Error", "Cannot create digest file %1"),
                       std::move(path), summary) {}

void DigestOutput::write(std::FILE *out, const ExportSummary &summary) {
  writeMarkdownDigest(out, summary.run(), summary.gate());
}
