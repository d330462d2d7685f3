// The message catalogs: where they are installed and which of them are loaded.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTranslator>

/// The translation directory, VELMORADIR/lib/locale. Ends the process with status 1
/// (and an untranslated message) when VELMORADIR is unset or empty, or when the
/// directory does not exist.
QString locateTranslations();

/// The four catalogs of the program, kept for the whole run.
class TranslationCatalogs {
public:
  /// Catalog name prefixes, in load order.
  static constexpr const char *kPrefixes[4] = {"cov_", "common_", "cab_", "velmoraident_"};

  TranslationCatalogs() = default;
  ~TranslationCatalogs();
  TranslationCatalogs(const TranslationCatalogs &) = delete;
  TranslationCatalogs &operator=(const TranslationCatalogs &) = delete;

  /// Loads prefix + locale name from the directory for each catalog in order, and
  /// installs those that load (the last installed is consulted first). Returns the
  /// number installed.
  int load(const QString &directory, const QString &localeName);

private:
  /// One translator per catalog, in load order.
  QTranslator translators_[4];
  /// The catalogs' contents, which the translators read in place.
  QByteArray data_[4];
  /// Which translators are installed in the application.
  bool installed_[4] = {false, false, false, false};
};
