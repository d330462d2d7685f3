// The page of a source file: each line coloured by the listing's classification
// of its items, the items beside it with their hit marks (and counts), the text
// of the source escaped whatever its bytes, the lines the source does not have,
// a missing source, and the labels of the report's language.
#include "fdc_test_helpers.h"

#include "cli/report_options.h"
#include "html/file_page.h"
#include "html/html_run.h"
#include "report/report_scope.h"

namespace {

class FilePageTest : public FdcTest {
protected:
  /// Loads one section of a source s.c in the test directory.
  SourceFile &loadSection(const std::string &records, const std::string &types) {
    load("s.fdc", "VE 3.0e T\nFC \"s.c\" \"" + dir.path() + "\"\nFD 0\nTC " + types + "\n" +
                      records + "DC 1 1\n");
    return *model.files().back();
  }
  Service &service() { return *model.files().back()->services.front(); }

  /// The page of the one selected file.
  std::string page(bool countOriented = false, ReportLanguage language = English) {
    const ReportScope scope = buildReportScope(model, options);
    EXPECT_EQ(scope.files.size(), 1u);
    if (scope.files.empty()) return "";
    HtmlRun run;
    run.scope = &scope;
    run.language = language;
    run.countOriented = countOriented;
    const std::string path = dir.path() + "/page.html";
    std::FILE *out = std::fopen(path.c_str(), "w");
    writeFilePage(out, run, scope.files.front());
    std::fclose(out);
    return readFile(path);
  }

  ReportOptions options;
};

void hit(HitState &item, uint32_t count = 1) {
  item.flags |= FlagEverHit;
  item.totalHits = count;
}

/// The markup of a source line: the line of the page that holds its id; empty
/// when there is none.
std::string row(const std::string &page, unsigned line) {
  const std::size_t at = page.find(" id=\"L" + std::to_string(line) + "\"");
  if (at == std::string::npos) return "";
  const std::size_t start = page.rfind('\n', at) + 1;
  return page.substr(start, page.find('\n', at) - start);
}

const std::string kRecords = "PR 0 proc \"f\" 1 1\n"
                             "AP 0 \"f\" \"g\" 2 2\n"
                             "BL 0 simple \"f\" b 2 2\n"
                             "CE 0 \"f\" \"x < y\" 3 3\n";

TEST_F(FilePageTest, LinesAreColouredByTheItemsOnThemAndListThem) {
  dir.write("s.c", "int f()\n  g();\n  if (x<y) </script> & \"q\"\r\nend\n");
  loadSection(kRecords, "PR AP BS CO");
  hit(service().entry);
  hit(service().calls[0].branch);
  const std::string text = page();
  EXPECT_EQ(row(text, 1), "<div id=\"L1\" class=\"h\"><code data-n=\"1\">int f()</code><span><i "
                          "class=\"y\">\u2714 Incoming</i></span></div>");
  EXPECT_EQ(row(text, 2), "<div id=\"L2\" class=\"p\"><code data-n=\"2\">  g();</code><span><i "
                          "class=\"y\">\u2714 Call of g</i><i class=\"x\">\u2718 Simple block "
                          "b</i></span></div>");
  // The carriage return of the line end is not part of the line; the text is escaped.
  EXPECT_EQ(row(text, 3),
            "<div id=\"L3\" class=\"m\"><code data-n=\"3\">  if (x&lt;y) &lt;/script&gt; "
            "&amp; &quot;q&quot;</code><span><i class=\"x\">\u2718 Basic condition "
            "&quot;x &lt; y&quot; True</i><i class=\"x\">\u2718 Basic condition "
            "&quot;x &lt; y&quot; False</i></span></div>");
  EXPECT_EQ(row(text, 4), "<code id=\"L4\" data-n=\"4\">end</code>");
  EXPECT_EQ(row(text, 5), "");
  // The function links to its first line.
  EXPECT_NE(text.find("<a href=\"#L1\">f</a>"), std::string::npos);
  EXPECT_EQ(text.find("</script> &"), std::string::npos);
}

TEST_F(FilePageTest, ItemsBeyondTheSourceAndAMissingSourceStillShowTheirLines) {
  dir.write("s.c", "one\ntwo\nthree\n");
  loadSection(kRecords + "BL 1 simple \"f\" far 9 9\n", "PR AP BS");
  std::string text = page();
  const std::size_t past = text.find("Items on lines that the source does not have");
  ASSERT_NE(past, std::string::npos);
  EXPECT_GT(text.find("<div id=\"L9\" class=\"m\">"), past);
  EXPECT_NE(row(text, 9).find("<code data-n=\"9\"></code>"), std::string::npos);
  EXPECT_NE(row(text, 2).find("Simple block b"), std::string::npos);
  EXPECT_LT(text.find("<div id=\"L2\""), past);
  EXPECT_LT(text.find("<code id=\"L3\" data-n=\"3\">three</code>"), past);

  std::remove((dir.path() + "/s.c").c_str());
  text = page();
  EXPECT_NE(text.find("The source file was not found: <code>" + dir.path() + "/s.c</code>"),
            std::string::npos);
  EXPECT_NE(row(text, 1).find("Incoming"), std::string::npos);
  EXPECT_NE(row(text, 9).find("Simple block far"), std::string::npos);
  EXPECT_EQ(row(text, 3), "");
  EXPECT_NE(text.find("<a href=\"#L1\">f</a>"), std::string::npos);
}

TEST_F(FilePageTest, AnySourceBytesGiveValidText) {
  dir.write("s.c", std::string("a\0b\xFF\x01\n\xC3\xA9\r\r\n", 11));
  loadSection("PR 0 proc \"f\" 1 1\n", "PR");
  const std::string text = page();
  EXPECT_EQ(text.find('\0'), std::string::npos);
  EXPECT_EQ(text.find('\x01'), std::string::npos);
  EXPECT_EQ(QString::fromUtf8(text.data(), qsizetype(text.size())).toUtf8(),
            QByteArray(text.data(), qsizetype(text.size())));
  EXPECT_NE(row(text, 1).find("<code data-n=\"1\">a\xEF\xBF\xBD"
                              "b\xEF\xBF\xBD\xEF\xBF\xBD</code>"),
            std::string::npos);
  // Only the carriage return that ends the line goes; another one is shown.
  EXPECT_EQ(row(text, 2), "<code id=\"L2\" data-n=\"2\">\xC3\xA9\xE2\x90\x8D</code>");
}

TEST_F(FilePageTest, CountsOfCountOrientedRunsAndFrenchLabels) {
  dir.write("s.c", "1\n2\n3\n4\n");
  loadSection(kRecords + "CC 2 1 0 2 TF 1\nBL 1 implicit \"f\" else 4 4\n", "PR AP BS BI CO CC");
  hit(service().entry, 3);
  hit(service().calls[0].branch, 0x7FFFFFFF);
  options.coverageTypes = CovFunctions | CovCalls | CovStatementBlocks | CovImplicitBlocks |
                          CovBasicConditions | CovModifiedConditions;
  std::string text = page(true);
  EXPECT_NE(row(text, 1).find("\u2714 Incoming &#183; 3 time(s)</i>"), std::string::npos);
  EXPECT_NE(row(text, 2).find("Call of g &#183; 2147483647 time(s) (maximum reached)</i>"),
            std::string::npos);
  // The count column: the largest count of the items that run code on the line.
  EXPECT_NE(row(text, 1).find("<code data-n=\"1\" data-c=\"3\">1</code>"), std::string::npos);
  EXPECT_NE(row(text, 2).find("<code data-n=\"2\" data-c=\"2147483647+\">2</code>"),
            std::string::npos);
  // Conditions never evaluated: the line never ran.
  EXPECT_NE(row(text, 3).find("<code data-n=\"3\" data-c=\"0\">3</code>"), std::string::npos);
  // A line whose items run no code (an implicit block) has no count.
  EXPECT_NE(row(text, 4).find("<code data-n=\"4\">4</code>"), std::string::npos);
  EXPECT_NE(row(text, 4).find("Implicit block else"), std::string::npos);
  EXPECT_NE(text.find("<div class=\"src k\""), std::string::npos);
  // Every item but the modified conditions shows its count.
  EXPECT_NE(row(text, 2).find("Simple block b &#183; 0 time(s)</i>"), std::string::npos);
  EXPECT_NE(row(text, 3).find("Modified condition &quot;x &lt; y&quot; #1 (T=T/F=F)</i>"),
            std::string::npos);

  text = page(true, French);
  EXPECT_NE(text.find("<html lang=\"fr\">"), std::string::npos);
  EXPECT_NE(text.find("<span class=\"h\">ligne executee</span>"), std::string::npos);
  EXPECT_NE(row(text, 2).find("Appel de g &#183; 2147483647 fois (maximum atteint)"),
            std::string::npos);
  EXPECT_NE(text.find("<details class=\"services\" open><summary>Fonctions (1)</summary>"),
            std::string::npos);
}

TEST_F(FilePageTest, EveryLineOfALongSourceCarriesItsOwnNumber) {
  // Longer than a read of the source, with a line longer than one, CR LF line
  // ends, items at the first and last lines of chunks, and no line feed at the end.
  std::string source;
  const unsigned lines = 1201;
  for (unsigned n = 1; n <= lines; ++n) {
    source += "line " + std::to_string(n);
    if (n == 700) source += std::string(300 * 1024, 'w');
    source += n == lines ? "" : n % 2 ? "\r\n" : "\n";
  }
  dir.write("s.c", source);
  std::string records = "PR 0 proc \"f\" 1 1201\n";
  const unsigned itemLines[] = {1, 500, 501, 1000, 1001, 1201};
  for (unsigned i = 0; i < std::size(itemLines); ++i)
    records += "BL " + std::to_string(i) + " simple \"f\" b " + std::to_string(itemLines[i]) + " " +
               std::to_string(itemLines[i]) + "\n";
  loadSection(records, "PR BS");
  const std::string text = page();
  for (unsigned n = 1; n <= lines; ++n) {
    const std::string line = row(text, n);
    const std::string number = std::to_string(n);
    const std::string expected =
        " data-n=\"" + number + "\">line " + number + (n == 700 ? "w" : "</code>");
    ASSERT_NE(line.find(expected), std::string::npos)
        << "line " << n << ": " << line.substr(0, 200);
  }
  EXPECT_EQ(row(text, 1202), "");
  EXPECT_NE(row(text, 700).find(std::string(300 * 1024, 'w') + "</code>"), std::string::npos);
  // Three chunks; no CSS counter numbers the lines.
  std::size_t chunks = 0;
  for (std::size_t at = text.find("<div class=\"c\""); at != std::string::npos;
       at = text.find("<div class=\"c\"", at + 1))
    ++chunks;
  EXPECT_EQ(chunks, 3u);
  EXPECT_EQ(text.find("counter-reset"), std::string::npos);
}

TEST_F(FilePageTest, TheTableOfManyFunctionsIsFolded) {
  dir.write("s.c", "x\n");
  std::string records;
  for (int i = 0; i < 301; ++i)
    records += "PR " + std::to_string(i) + " proc \"f" + std::to_string(i) + "\" 1 1\n";
  loadSection(records, "PR");
  const std::string text = page();
  EXPECT_NE(text.find("<details class=\"services\"><summary>Functions (301)</summary>"),
            std::string::npos);
  EXPECT_NE(text.find("<a href=\"#L1\">f300</a>"), std::string::npos);
}

} // namespace
