#include "driver/version_banner.h"

#include <QDate>
#include <QTime>

#include "support/keyword_match.h"
#include "support/messages.h"
#include "support/tool_version.h"

namespace {

void writeLine(std::FILE *stream, const QString &line) {
  std::fputs(line.toLocal8Bit().constData(), stream);
}

} // namespace

bool isVersionRequest(const char *text) {
  return text && text[0] == '-' && matchKeyword(text + 1, "VERSION") != KeywordMatch::None;
}

int printVersionBanner(std::FILE *stream, const QString &prefix, const QString &suffix) {
  const QString date = QDate(2015, 6, 12).toString(Qt::ISODate);
  const QString time = QTime(1, 37, 0).toString(Qt::ISODate);
  writeLine(stream,
            tr("Version", "%1 %2 %3 %4 %5\n", "%1 is a prefix, %2 a product name, %3 a module name")
                .arg(prefix, tr("VelmoraIdent", "Corvane Velmora"),
                     tr("Version", "Coverage Report Generator"), QLatin1String(kToolVersion),
                     suffix));
  writeLine(stream, tr("Version", "%1 Build Number: %2 %3\n",
                       "%1 is a prefix, %2 a build number, %3 a suffix")
                        .arg(prefix, QLatin1String(kToolBuildNumber), suffix));
  writeLine(stream, tr("Version", "%1   Date : %2 %3 %4\n",
                       "%1 is a prefix, %2 a date, %3 a time, %4 a suffix")
                        .arg(prefix, date, time, suffix));
  writeLine(stream, tr("Version", "%1    OS : %2 %3\n",
                       "%1 is a string prefix, %2 the operating system name, %3 a string suffix")
                        .arg(prefix, tr("Version", "ms-dos", "Operating system name"), suffix));
  return 4;
}
