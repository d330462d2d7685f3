// The check of message catalogs before the translator reads them.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QTranslator>
#include <cstdlib>
#include <string>

#include "driver/catalog_check.h"
#include "test_support.h"

namespace {

/// A catalog compiled by lrelease from a small source.
QByteArray compiledCatalog(const TempDir &dir) {
  const std::string source =
      dir.write("cov_fr.ts", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
                             "<TS version=\"2.1\" language=\"fr\">\n<context>\n"
                             "<name>Fatal Error</name>\n<message>\n"
                             "<source>Errors in command line</source>\n"
                             "<comment>shown last</comment>\n"
                             "<translation>Erreurs dans la ligne de commande</translation>\n"
                             "</message>\n<message>\n<source>No memory left</source>\n"
                             "<translation>Plus de m\xc3\xa9moire</translation>\n</message>\n"
                             "</context>\n</TS>\n");
  const std::string qm = dir.path() + "/cov_fr.qm";
  const std::string command =
      std::string(ZELTOCOV_LRELEASE) + " -silent '" + source + "' -qm '" + qm + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return QByteArray::fromStdString(readFile(qm));
}

/// Looks every text up through a translator loaded from the bytes.
void translateWith(const QByteArray &data) {
  QTranslator translator;
  if (!translator.load(reinterpret_cast<const uchar *>(data.constData()),
                       static_cast<int>(data.size())))
    return;
  for (const char *text : {"Errors in command line", "No memory left", "Other"})
    for (const char *context : {"Fatal Error", "User Error"})
      (void)translator.translate(context, text, "shown last");
}

TEST(CatalogCheck, CatalogsFromTheCompilerAreSound) {
  TempDir dir;
  const QByteArray catalog = compiledCatalog(dir);
  ASSERT_GT(catalog.size(), 16);
  EXPECT_TRUE(isSoundCatalog(catalog));
  EXPECT_FALSE(isSoundCatalog(QByteArray()));
  EXPECT_FALSE(isSoundCatalog(QByteArray("not a catalog at all")));
}

TEST(CatalogCheck, TruncatedCatalogsPassOnlyCutBetweenBlocks) {
  TempDir dir;
  const QByteArray catalog = compiledCatalog(dir);
  int passed = 0;
  for (qsizetype size = 0; size < catalog.size(); ++size) {
    const QByteArray cut = catalog.left(size);
    if (!isSoundCatalog(cut)) continue;
    ++passed;
    translateWith(cut);
  }
  // The magic alone, and the cuts after each of the few blocks.
  EXPECT_GE(passed, 1);
  EXPECT_LE(passed, 6);
}

TEST(CatalogCheck, WhatPassesTheCheckIsSafeToTranslateWith) {
  // Every byte of a good catalog replaced in turn by a few values: what the
  // check lets through must be read by the translator without a crash.
  TempDir dir;
  const QByteArray catalog = compiledCatalog(dir);
  int refused = 0;
  for (qsizetype at = 16; at < catalog.size(); ++at)
    for (char value : {'\x00', '\x01', '\x7f', '\xff'}) {
      QByteArray damaged = catalog;
      if (damaged[at] == value) continue;
      damaged[at] = value;
      if (isSoundCatalog(damaged))
        translateWith(damaged);
      else
        ++refused;
    }
  EXPECT_GT(refused, 0);
}

} // namespace
