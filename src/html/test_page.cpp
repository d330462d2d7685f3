#include "html/test_page.h"

#include <QString>
#include <string>

#include "html/html_labels.h"
#include "html/html_text.h"
#include "html/page_layout.h"
#include "html/page_names.h"
#include "model/coverage_records.h"
#include "report/report_labels.h"

namespace {

QString label(HtmlLabel row, ReportLanguage language) {
  return QString::fromLatin1(htmlLabel(row, language));
}

/// One list of items by file: a heading for each file, then its items.
void writeItems(std::FILE *out, const HtmlRun &run, const std::vector<TestItem> &items,
                bool onlyHere) {
  const ReportLanguage language = run.language;
  bool open = false;
  uint32_t file = 0;
  for (const TestItem &item : items) {
    if (onlyHere && !item.only) continue;
    if (!open || item.file != file) {
      if (open) std::fputs("</ul>\n", out);
      file = item.file;
      open = true;
      const SourceFile &source = *run.scope->files[file].file;
      std::fprintf(out, "<h3><a href=\"%s\">", filePageName(source).c_str());
      writeEscaped(out, source.sourceName ? source.sourceName->text : "");
      std::fputs("</a></h3>\n<ul class=\"items\">\n", out);
    }
    const std::string page = filePageName(*run.scope->files[file].file);
    std::fprintf(out, "<li><a href=\"%s#L%lu\">%lu</a> ", page.c_str(),
                 static_cast<unsigned long>(item.line), static_cast<unsigned long>(item.line));
    writeEscaped(out, QString::fromLatin1(itemKindLabel(item.kind, language)));
    if (item.text && *item.text) {
      std::fputc(' ', out);
      writeEscaped(out, item.text);
    }
    if (item.detail) {
      std::fputc(' ', out);
      writeEscaped(out, item.detail);
    }
    std::fputs("</li>\n", out);
  }
  if (open) std::fputs("</ul>\n", out);
}

std::size_t countItems(const std::vector<TestItem> &items, bool onlyHere) {
  std::size_t count = 0;
  for (const TestItem &item : items)
    count += !onlyHere || item.only;
  return count;
}

} // namespace

void writeTestPage(std::FILE *out, const HtmlRun &run, uint32_t ordinal,
                   const std::vector<TestItem> &items) {
  const ReportLanguage language = run.language;
  const HtmlTestRow *test = ordinal < run.tests.size() ? &run.tests[ordinal] : nullptr;
  const std::string name = test ? test->name : std::string();
  QString subtitle = label(HlTest, language) + u' ' + QString::number(ordinal + 1);
  if (test && !test->date.empty()) subtitle += QStringLiteral(" \u00b7 ") + displayText(test->date);
  writePageStart(out, language, displayText(name), subtitle, run.runTime, kIndexPage);

  const std::size_t onlyHere = countItems(items, true);
  std::fputs("<h2 id=\"only\">", out);
  writeEscaped(out, label(HlOnlyThisTest, language));
  std::fprintf(out, " (%lu)</h2>\n", static_cast<unsigned long>(onlyHere));
  if (onlyHere) {
    writeItems(out, run, items, true);
  } else {
    std::fputs("<p class=\"note\">", out);
    writeEscaped(out, label(HlNoItemOnlyHere, language));
    std::fputs("</p>\n", out);
  }
  std::fputs("<h2 id=\"hit\">", out);
  writeEscaped(out, label(HlItemsOfTest, language));
  std::fprintf(out, " (%lu)</h2>\n", static_cast<unsigned long>(items.size()));
  writeItems(out, run, items, false);
  writePageEnd(out, PageScripts::None);
}
