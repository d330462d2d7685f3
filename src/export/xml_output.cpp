#include "export/xml_output.h"

#include "export/cobertura_xml.h"
#include "export/export_summary.h"
#include "support/messages.h"

XmlOutput::XmlOutput(std::string path, const ExportSummary &summary)
    : ExportFileOutput("-XML", QT_TRANSLATE_NOOP("Fatal Error", "Cannot create XML file %1"),
                       std::move(path), summary) {}

void XmlOutput::write(std::FILE *out, const ExportSummary &summary) {
  writeCoberturaXml(out, summary.run());
}
