#include "driver/translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

#include "support/host_services.h"

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

int TranslationCatalogs::load(const QString &directory, const QString &localeName) {
  int count = 0;
  for (int i = 0; i < 4; ++i) {
    if (installed_[i]) continue;
    if (!translators_[i].load(QLatin1String(kPrefixes[i]) + localeName, directory)) continue;
    installed_[i] = QCoreApplication::installTranslator(&translators_[i]);
    if (installed_[i]) ++count;
  }
  return count;
}
