// The French catalog against the sources: every translatable text of src/ has a
// finished translation that keeps the placeholders and the line ends of its source
// text, and no translatable text escapes the extraction.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

/// One message of a catalog.
struct CatalogMessage {
  QString context;
  QString source;
  QString comment;
  QString translation;
  /// The type attribute of the translation: "" finished, "unfinished", "vanished",
  /// "obsolete".
  QString type;
};

/// The messages of a .ts file; `error` receives what went wrong, if anything.
std::vector<CatalogMessage> readCatalog(const QString &path, QString &error) {
  std::vector<CatalogMessage> messages;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("cannot open ") + path;
    return messages;
  }
  QXmlStreamReader xml(&file);
  QString context;
  CatalogMessage message;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    const auto name = xml.name();
    if (name == QLatin1String("context")) {
      context.clear();
    } else if (name == QLatin1String("name")) {
      context = xml.readElementText();
    } else if (name == QLatin1String("message")) {
      message = CatalogMessage{context, {}, {}, {}, {}};
    } else if (name == QLatin1String("source")) {
      message.source = xml.readElementText();
    } else if (name == QLatin1String("comment")) {
      message.comment = xml.readElementText();
    } else if (name == QLatin1String("translation")) {
      message.type = xml.attributes().value(QLatin1String("type")).toString();
      message.translation = xml.readElementText();
      messages.push_back(message);
    }
  }
  if (xml.hasError()) error = path + QStringLiteral(": ") + xml.errorString();
  return messages;
}

/// The placeholders %1 ... %99 of a text, sorted (a placeholder used twice counts twice).
QStringList placeholders(const QString &text) {
  static const QRegularExpression pattern(QStringLiteral("%(\\d{1,2})"));
  QStringList found;
  for (auto it = pattern.globalMatch(text); it.hasNext();)
    found.append(it.next().captured(0));
  found.sort();
  return found;
}

QString describe(const CatalogMessage &message) {
  return QStringLiteral("[%1] \"%2\"").arg(message.context, message.source);
}

/// What is wrong with the translations of a catalog, one line per fault.
std::vector<std::string> translationProblems(const std::vector<CatalogMessage> &messages) {
  std::vector<std::string> problems;
  auto add = [&](const CatalogMessage &message, const char *what) {
    problems.push_back(
        (describe(message) + QStringLiteral(": ") + QLatin1String(what)).toStdString());
  };
  for (const CatalogMessage &message : messages) {
    if (message.type == QLatin1String("vanished") || message.type == QLatin1String("obsolete")) {
      add(message, "no longer in the sources");
      continue;
    }
    if (message.type == QLatin1String("unfinished") || message.translation.isEmpty()) {
      add(message, "no finished translation");
      continue;
    }
    if (placeholders(message.source) != placeholders(message.translation))
      add(message, "the translation does not keep the placeholders");
    const QString &from = message.source, &to = message.translation;
    if (from.count(QLatin1Char('\n')) != to.count(QLatin1Char('\n')) ||
        from.startsWith(QLatin1Char('\n')) != to.startsWith(QLatin1Char('\n')) ||
        from.endsWith(QLatin1Char('\n')) != to.endsWith(QLatin1Char('\n')) ||
        from.count(QLatin1Char('\t')) != to.count(QLatin1Char('\t')))
      add(message, "the translation does not keep the line ends and tabs");
  }
  return problems;
}

/// The messages of `before` that `after` no longer has (context, source, comment).
std::vector<std::string> droppedMessages(const std::vector<CatalogMessage> &before,
                                         const std::vector<CatalogMessage> &after) {
  std::set<std::string> kept;
  for (const CatalogMessage &message : after)
    kept.insert(
        (message.context + QChar(0) + message.source + QChar(0) + message.comment).toStdString());
  std::vector<std::string> dropped;
  for (const CatalogMessage &message : before)
    if (!kept.count((message.context + QChar(0) + message.source + QChar(0) + message.comment)
                        .toStdString()))
      dropped.push_back(
          (describe(message) + QStringLiteral(": no longer in the sources")).toStdString());
  return dropped;
}

/// The source text without its comments; string and character literals are kept.
std::string withoutComments(const std::string &text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      const std::size_t start = i++;
      while (i < text.size() && text[i] != c && text[i] != '\n')
        i += text[i] == '\\' ? 2 : 1;
      i = std::min(i + 1, text.size());
      out.append(text, start, i - start);
    } else if (text.compare(i, 2, "//") == 0) {
      while (i < text.size() && text[i] != '\n')
        ++i;
    } else if (text.compare(i, 2, "/*") == 0) {
      const std::size_t end = std::min(text.find("*/", i + 2), text.size());
      // Line numbers stay those of the file.
      out += ' ';
      out.append(static_cast<std::size_t>(std::count(text.begin() + static_cast<long>(i),
                                                     text.begin() + static_cast<long>(end), '\n')),
                 '\n');
      i = std::min(end + 2, text.size());
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

bool isStringLiteral(std::string argument) {
  // One or more adjacent literals, nothing else.
  std::size_t i = 0;
  bool any = false;
  auto skipBlanks = [&] {
    while (i < argument.size() && std::isspace(static_cast<unsigned char>(argument[i])))
      ++i;
  };
  skipBlanks();
  while (i < argument.size()) {
    if (argument[i] != '"') return false;
    for (++i; i < argument.size() && argument[i] != '"'; ++i)
      if (argument[i] == '\\') ++i;
    if (i >= argument.size()) return false;
    ++i;
    any = true;
    skipBlanks();
  }
  return any;
}

/// Calls tr(context, text[, comment]) whose text is a literal but whose context or
/// comment is not: the extraction cannot read such a call, so its text would never
/// reach the catalog. Returns "file:line: call" for each.
std::vector<std::string> hiddenTranslatableTexts(const QString &sourceDir) {
  std::vector<std::string> hidden;
  QDirIterator files(sourceDir, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                     QDirIterator::Subdirectories);
  while (files.hasNext()) {
    const QString path = files.next();
    const std::string text = withoutComments(readFile(path.toStdString()));
    for (std::size_t at = text.find("tr("); at != std::string::npos;
         at = text.find("tr(", at + 3)) {
      if (at > 0) {
        const char before = text[at - 1];
        if (std::isalnum(static_cast<unsigned char>(before)) || before == '_' || before == '.' ||
            before == '>' || before == ':' || before == '"')
          continue;
      }
      // The arguments, split at the top-level commas.
      std::vector<std::string> arguments(1);
      int depth = 1;
      std::size_t i = at + 3;
      for (; i < text.size() && depth > 0; ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
          const std::size_t start = i++;
          while (i < text.size() && text[i] != c)
            i += text[i] == '\\' ? 2 : 1;
          arguments.back().append(text, start, i - start + 1);
          continue;
        }
        if (c == '(' || c == '[' || c == '{') ++depth;
        if (c == ')' || c == ']' || c == '}') --depth;
        if (depth == 0) break;
        if (c == ',' && depth == 1)
          arguments.emplace_back();
        else
          arguments.back() += c;
      }
      if (arguments.size() < 2 || arguments.size() > 3 || !isStringLiteral(arguments[1])) continue;
      if (isStringLiteral(arguments[0]) && (arguments.size() == 2 || isStringLiteral(arguments[2])))
        continue;
      const long line = std::count(text.begin(), text.begin() + static_cast<long>(at), '\n') + 1;
      hidden.push_back(QDir(sourceDir).relativeFilePath(path).toStdString() + ":" +
                       std::to_string(line) + ": " + text.substr(at, i + 1 - at));
    }
  }
  return hidden;
}

std::string joined(const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines)
    text += line + "\n";
  return text;
}

const char kSampleCatalog[] = R"(<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>User Warning</name>
    <message>
        <source>File %1 with path in %2 list</source>
        <comment>%1 is a file</comment>
        <translation>Fichier %1 avec un chemin dans la liste %2</translation>
    </message>
    <message>
        <source>Not yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Forgotten</source>
        <translation></translation>
    </message>
    <message>
        <source>Gone %1</source>
        <translation type="vanished">Parti %1</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>Impossible d&apos;ouvrir %1</translation>
    </message>
    <message>
        <source>Twice %1</source>
        <translation>Deux fois %1 %1 %3</translation>
    </message>
    <message>
        <source>First line
-&gt; %1</source>
        <translation>Première ligne -&gt; %1</translation>
    </message>
    <message>
        <source>
	[-CIO=&lt;file&gt;]
</source>
        <translation>
    [-CIO=&lt;fichier&gt;]
</translation>
    </message>
</context>
</TS>
)";

} // namespace

// The checks themselves: each kind of fault in a catalog is found and named.
TEST(CatalogChecks, FindUnfinishedStaleAndAlteredTranslations) {
  TempDir dir;
  QString error;
  const std::vector<CatalogMessage> messages =
      readCatalog(QString::fromStdString(dir.write("sample.ts", kSampleCatalog)), error);
  ASSERT_TRUE(error.isEmpty()) << error.toStdString();
  ASSERT_EQ(messages.size(), 8u);
  EXPECT_EQ(messages[0].comment, QStringLiteral("%1 is a file"));
  EXPECT_EQ(messages[6].source, QStringLiteral("First line\n-> %1"));

  const std::vector<std::string> expected = {
      "[User Warning] \"Not yet\": no finished translation",
      "[User Warning] \"Forgotten\": no finished translation",
      "[User Warning] \"Gone %1\": no longer in the sources",
      "[User Warning] \"Cannot open %1: %2\": the translation does not keep the placeholders",
      "[User Warning] \"Twice %1\": the translation does not keep the placeholders",
      "[User Warning] \"First line\n-> %1\": the translation does not keep the line ends and "
      "tabs",
      "[User Warning] \"\n\t[-CIO=<file>]\n\": the translation does not keep the line ends and "
      "tabs",
  };
  EXPECT_EQ(translationProblems(messages), expected);

  // A message that the extraction dropped is reported by its source text.
  std::vector<CatalogMessage> after(messages.begin() + 1, messages.end());
  EXPECT_EQ(droppedMessages(messages, after),
            std::vector<std::string>{
                "[User Warning] \"File %1 with path in %2 list\": no longer in the sources"});
}

TEST(CatalogChecks, FindTranslatedLiteralsTheExtractionCannotRead) {
  TempDir dir;
  dir.write("a.cpp", R"src(
QString f(const char *comment, const char *text) {
  tr("Ctx", "read %1", "%1 is a name");
  tr("Ctx", "also read");
  tr("Ctx", "split "
            "literal", "comment");
  tr("Ctx", text);                       // a marked table: read where it is marked
  tr("Ctx", kTable[index(1, 2)], "c");
  // tr("Ctx", "in a comment", comment)
  const char *s = "tr(\"Ctx\", \"in a string\", comment)";
  obj.tr("Ctx", "member", comment);
  return tr("Ctx", "hidden %1", comment);
}
)src");
  dir.write("sub/b.h", "inline QString g(const char *c) { return tr(c, \"no context\"); }\n");
  std::vector<std::string> hidden = hiddenTranslatableTexts(QString::fromStdString(dir.path()));
  std::sort(hidden.begin(), hidden.end());
  EXPECT_EQ(hidden, (std::vector<std::string>{
                        "a.cpp:12: tr(\"Ctx\", \"hidden %1\", comment)",
                        "sub/b.h:1: tr(c, \"no context\")",
                    }));
}

// lupdate reads the sources into a copy of the catalog, as scripts/update-translations.sh
// does for the committed one: nothing may come out new, unfinished or stale.
TEST(FrenchCatalog, EveryTextOfTheSourcesHasAFinishedTranslation) {
  const QString committedPath = QStringLiteral(ZELTOCOV_SOURCE_ROOT "/translations/cov_fr.ts");
  QString error;
  const std::vector<CatalogMessage> committed = readCatalog(committedPath, error);
  ASSERT_TRUE(error.isEmpty()) << error.toStdString();

  TempDir dir;
  const QString copy = QString::fromStdString(dir.path()) + QStringLiteral("/cov_fr.ts");
  ASSERT_TRUE(QFile::copy(committedPath, copy));
  QProcess update;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("LUPDATE"), QStringLiteral(ZELTOCOV_LUPDATE));
  update.setProcessEnvironment(environment);
  update.setProcessChannelMode(QProcess::MergedChannels);
  update.start(QStringLiteral("bash"),
               {QStringLiteral(ZELTOCOV_SOURCE_ROOT "/scripts/update-translations.sh"), copy});
  ASSERT_TRUE(update.waitForFinished(120000)) << "lupdate did not finish";
  const std::string output = update.readAll().toStdString();
  ASSERT_EQ(update.exitStatus(), QProcess::NormalExit) << output;
  ASSERT_EQ(update.exitCode(), 0) << output;

  const std::vector<CatalogMessage> updated = readCatalog(copy, error);
  ASSERT_TRUE(error.isEmpty()) << error.toStdString();
  // The program has a few hundred texts; far fewer means the extraction missed them.
  EXPECT_GT(updated.size(), 200u);
  std::vector<std::string> problems = translationProblems(updated);
  for (std::string &dropped : droppedMessages(committed, updated))
    problems.push_back(std::move(dropped));
  EXPECT_TRUE(problems.empty())
      << "Run scripts/update-translations.sh and translate; translations/cov_fr.ts:\n"
      << joined(problems);
}

TEST(FrenchCatalog, TranslationsKeepPlaceholdersAndLineEnds) {
  QString error;
  const std::vector<CatalogMessage> messages =
      readCatalog(QStringLiteral(ZELTOCOV_SOURCE_ROOT "/translations/cov_fr.ts"), error);
  ASSERT_TRUE(error.isEmpty()) << error.toStdString();
  ASSERT_FALSE(messages.empty());
  const std::vector<std::string> problems = translationProblems(messages);
  EXPECT_TRUE(problems.empty()) << joined(problems);
}

TEST(FrenchCatalog, NoTranslatableTextEscapesTheExtraction) {
  const std::vector<std::string> hidden =
      hiddenTranslatableTexts(QStringLiteral(ZELTOCOV_SOURCE_ROOT "/src"));
  EXPECT_TRUE(hidden.empty())
      << "Give these calls literal arguments (or mark their text with QT_TRANSLATE_NOOP):\n"
      << joined(hidden);
}
