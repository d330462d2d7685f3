#include "driver/translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

#include "driver/catalog_check.h"
#include "support/host_services.h"
#include "support/messages.h"

QString locateTranslations() {
  // No catalog is loaded yet: these two messages are not translated.
  const std::optional<std::string> root = getEnv("VELMORADIR");
  if (!root || root->empty()) {
    std::fputs("Fatal Error: please setup VELMORADIR environment variable.\n", stderr);
    std::exit(1);
  }
  const std::string path = *root + "/lib/locale";
  if (!QFileInfo(QString::fromLocal8Bit(path)).isDir()) {
    std::fprintf(stderr, "Fatal Error: directory doesn't exist '%s'\n", path.c_str());
    std::exit(1);
  }
  return QString::fromLocal8Bit(path);
}

TranslationCatalogs::~TranslationCatalogs() {
  for (int i = 0; i < 4; ++i)
    if (installed_[i]) QCoreApplication::removeTranslator(&translators_[i]);
}

namespace {

/// The catalog file for a name, as the translator looks for it: name.qm, then
/// the name itself, then the same with the name cut at its last '_', and so on.
QString findCatalog(const QString &directory, QString name) {
  for (;;) {
    for (const QString &candidate : {name + QLatin1String(".qm"), name}) {
      const QFileInfo file(directory + QLatin1Char('/') + candidate);
      if (file.isFile()) return file.filePath();
    }
    const qsizetype cut = name.lastIndexOf(QLatin1Char('_'));
    if (cut <= 0) return QString();
    name.truncate(cut);
  }
}

} // namespace

int TranslationCatalogs::load(const QString &directory, const QString &localeName) {
  int count = 0;
  for (int i = 0; i < 4; ++i) {
    if (installed_[i]) continue;
    const QString path = findCatalog(directory, QLatin1String(kPrefixes[i]) + localeName);
    if (path.isEmpty()) continue;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) continue;
    data_[i] = file.readAll();
    // The translator trusts what it reads: a damaged catalog would crash it.
    if (!isSoundCatalog(data_[i])) {
      reportWarning(tr("User Warning", "Message catalog %1 is damaged; it is ignored",
                       "%1 is the name of the catalog file")
                        .arg(path));
      data_[i].clear();
      continue;
    }
    if (!translators_[i].load(reinterpret_cast<const uchar *>(data_[i].constData()),
                              static_cast<int>(data_[i].size())))
      continue;
    installed_[i] = QCoreApplication::installTranslator(&translators_[i]);
    if (installed_[i]) ++count;
  }
  return count;
}
