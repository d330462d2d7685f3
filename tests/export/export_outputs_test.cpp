// The pieces of the outputs for CI systems: items on source lines, rates, texts
// made safe for JSON, XML and Markdown, display paths and the gate's verdicts.
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cstdio>

#include "export/cobertura_xml.h"
#include "export/coverage_gate.h"
#include "export/export_text.h"
#include "export/json_text_writer.h"
#include "export/line_coverage.h"
#include "export/markdown_digest.h"
#include "fdc_test_helpers.h"

namespace {

class LineCoverageTest : public FdcTest {
protected:
  SourceFile &loadBody(const std::string &body, const std::string &types) {
    load("a.fdc", header(types) + body + "DC 1 2\n");
    return *model.files().back();
  }
};

TEST_F(LineCoverageTest, LinesRunOnlyWhereItemsExecuteCode) {
  SourceFile &file = loadBody("PR 0 proc \"f\" 1 1\n"
                              "BL 0 simple \"f\" body 2 9\n"
                              "BL 1 implicit \"f\" else 3 6\n"
                              "CE 0 \"f\" \"a\" 4 4\n"
                              "CE 2 \"f\" \"b\" 4 5\n"
                              "CC 4 2 0 2 4 A..\n"
                              "CA 8 \"f\" \"case\" 7 8\n"
                              "BL 2 simple \"f\" then 10 10\n"
                              "BL 3 implicit \"f\" else 9 10\n"
                              "PR 1 return \"f\" 0 0\n",
                              "PR RE BS BI CO CC");
  Service &f = *file.services[0];
  // Hit: the entry, the body, both implicit blocks (ids 1 and 3), a True (id 0),
  // b False (id 3), the vector TT=T (id 7).
  for (const auto &[kind, id] : {std::pair{1, 0}, {3, 0}, {3, 1}, {3, 3}, {4, 0}, {4, 3}, {4, 7}})
    hits.markTraceBranch(file, kind, id, 1, false);
  hits.updateModifiedConditions();

  const std::vector<LineCoverage> lines = serviceLines(f, file.instrumentedTypes, false);
  std::vector<uint32_t> numbers;
  for (const LineCoverage &line : lines)
    numbers.push_back(line.line);
  // The exit without a line on line 1; the single outcome on its last line 8. The
  // implicit blocks (placed on 6 and 10) and the vectors (placed on the last line
  // of their decision, 5) run no code: line 6 and line 5 are no lines of code, and
  // line 10 is not run although the implicit block placed there was hit.
  EXPECT_EQ(numbers, (std::vector<uint32_t>{1, 2, 4, 8, 10}));
  const auto at = [&](uint32_t number) {
    for (const LineCoverage &line : lines)
      if (line.line == number) return line;
    return LineCoverage{};
  };
  EXPECT_EQ(at(1).hits, 1u);        // entry hit, exit not: the largest wins
  EXPECT_EQ(at(4).hits, 1u);        // conditions evaluated there
  EXPECT_EQ(at(4).outcomes, 4u);    // two conditions of two outcomes each
  EXPECT_EQ(at(4).outcomesHit, 2u); // a True, b False
  EXPECT_EQ(at(8).hits, 0u);
  EXPECT_EQ(at(8).outcomes, 1u);
  EXPECT_EQ(at(8).outcomesHit, 0u);
  EXPECT_EQ(at(10).hits, 0u);
  EXPECT_EQ(at(10).outcomes, 0u);

  // Without the basic-conditions bit no condition of any kind counts.
  std::vector<uint32_t> withoutConditions;
  for (const LineCoverage &line : serviceLines(f, CovFunctions | CovStatementBlocks, false))
    withoutConditions.push_back(line.line);
  EXPECT_EQ(withoutConditions, (std::vector<uint32_t>{1, 2, 10}));

  const LineTotals totals = totalsOf(lines);
  EXPECT_EQ(totals.linesValid, 5u);
  EXPECT_EQ(totals.linesCovered, 3u); // 1, 2, 4
  EXPECT_EQ(totals.branchesValid, 5u);
  EXPECT_EQ(totals.branchesCovered, 2u);
}

TEST_F(LineCoverageTest, CountOrientedLinesShowHowOftenTheyRan) {
  SourceFile &file = loadBody("PR 0 proc \"f\" 1 1\n"
                              "BL 0 simple \"f\" body 1 3\n"
                              "BL 1 simple \"f\" then 3 3\n"
                              "CE 0 \"f\" \"a\" 2 2\n"
                              "CE 2 \"f\" \"b\" 2 2\n",
                              "PR BS CO");
  hits.markTraceBranch(file, 1, 0, 7, true);
  hits.markTraceBranch(file, 3, 0, 40, true);
  hits.markTraceBranch(file, 3, 1, 2, true);
  hits.markTraceBranch(file, 3, 1, 3, true);
  // a: True 6 times, False 4 times; b (evaluated when a is True): True 6 times.
  hits.markTraceBranch(file, 4, 0, 6, true);
  hits.markTraceBranch(file, 4, 1, 4, true);
  hits.markTraceBranch(file, 4, 2, 6, true);
  const CoverageTypes mask = CovFunctions | CovStatementBlocks | CovBasicConditions;
  const std::vector<LineCoverage> counted = serviceLines(*file.services[0], mask, true);
  ASSERT_EQ(counted.size(), 3u);
  EXPECT_EQ(counted[0].hits, 40u); // entry 7 and body 40 on line 1
  EXPECT_EQ(counted[1].hits, 10u); // a evaluated 6 + 4 times; b 6 times
  EXPECT_EQ(counted[2].hits, 5u);
  const std::vector<LineCoverage> plain = serviceLines(*file.services[0], mask, false);
  EXPECT_EQ(plain[0].hits, 1u);
  EXPECT_EQ(plain[1].hits, 1u);
  EXPECT_EQ(plain[2].hits, 1u);
}

TEST(LineCoverage, CombinedLinesKeepTheLargestHitsAndAddOutcomes) {
  const std::vector<LineCoverage> lines =
      combineLines({{7, 0, 2, 1}, {3, 4, 0, 0}, {7, 9, 1, 1}, {3, 0, 0, 0}});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].line, 3u);
  EXPECT_EQ(lines[0].hits, 4u);
  EXPECT_EQ(lines[1].hits, 9u);
  EXPECT_EQ(lines[1].outcomes, 3u);
  EXPECT_EQ(lines[1].outcomesHit, 2u);
}

TEST(CoberturaRate, CutToFourDecimals) {
  EXPECT_EQ(coberturaRate(0, 0), "1");
  EXPECT_EQ(coberturaRate(5, 5), "1");
  EXPECT_EQ(coberturaRate(0, 5), "0");
  EXPECT_EQ(coberturaRate(3, 4), "0.75");
  EXPECT_EQ(coberturaRate(2, 3), "0.6666");
  // Never 1 unless complete, never 0 unless nothing: 9999.9 ten-thousandths cut.
  EXPECT_EQ(coberturaRate(99999, 100000), "0.9999");
  EXPECT_EQ(coberturaRate(1, 100000), "0");
}

TEST(ExportText, JsonStringsOfAnyBytes) {
  EXPECT_EQ(JsonTextWriter::quoted("plain"), "\"plain\"");
  EXPECT_EQ(JsonTextWriter::quoted("q\"b\\s/"), "\"q\\\"b\\\\s/\"");
  EXPECT_EQ(JsonTextWriter::quoted("\n\t\x01\x7f"), "\"\\n\\t\\u0001\\u007f\"");
  // A stray byte becomes U+FFFD; valid multibyte text stays.
  EXPECT_EQ(JsonTextWriter::quoted("a\xff"
                                   "b"),
            "\"a\xef\xbf\xbd"
            "b\"");
  EXPECT_EQ(JsonTextWriter::quoted("\xc3\xa9t\xc3\xa9"), "\"\xc3\xa9t\xc3\xa9\"");
  // Overlong forms and truncated sequences are not UTF-8.
  EXPECT_EQ(validUtf8("\xc0\xaf"), "\xef\xbf\xbd\xef\xbf\xbd");
  EXPECT_EQ(validUtf8("x\xe2\x82"), "x\xef\xbf\xbd\xef\xbf\xbd");
}

TEST(ExportText, JsonLayout) {
  std::FILE *out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  {
    JsonTextWriter json(out);
    json.beginObject();
    json.member("a", uint64_t{1});
    json.key("b");
    json.beginArray();
    json.beginObject(true);
    json.member("x", true);
    json.key("y");
    json.beginArray();
    json.endArray();
    json.endObject();
    json.endArray();
    json.key("c");
    json.beginArray();
    json.endArray();
    json.key("d");
    json.number(int64_t{-2});
    json.endObject();
    json.finish();
  }
  std::rewind(out);
  char text[256] = {};
  const std::size_t size = std::fread(text, 1, sizeof text - 1, out);
  std::fclose(out);
  EXPECT_EQ(std::string(text, size), "{\n  \"a\": 1,\n  \"b\": [\n    {\"x\": true, \"y\": []}\n  "
                                     "],\n  \"c\": [],\n  \"d\": -2\n}\n");
}

TEST(ExportText, XmlTextCarriesOnlyWhatXmlCan) {
  const QString text = xmlText("<&\"'>\x01\t\xff\xc3\xa9");
  EXPECT_EQ(text, QString::fromUtf8("<&\"'>\xef\xbf\xbd\t\xef\xbf\xbd\xc3\xa9"));
  // Written as an attribute and read back, it is well-formed and unchanged.
  QByteArray document;
  QXmlStreamWriter writer(&document);
  writer.writeStartDocument();
  writer.writeStartElement(QStringLiteral("e"));
  writer.writeAttribute(QStringLiteral("a"), text);
  writer.writeCharacters(text);
  writer.writeEndElement();
  writer.writeEndDocument();
  QXmlStreamReader reader(document);
  while (!reader.atEnd() && !reader.isStartElement())
    reader.readNext();
  EXPECT_EQ(reader.attributes().value(QStringLiteral("a")).toString(), text);
  EXPECT_EQ(reader.readElementText(), text);
  EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
}

TEST(ExportText, MarkdownCellsShowTheTextItself) {
  EXPECT_EQ(markdownText("src/calc.c"), "src/calc.c");
  EXPECT_EQ(markdownText("a|b*c_d`e<f>&[g](h)$i\\"),
            "a\\|b\\*c\\_d\\`e\\<f\\>\\&\\[g\\]\\(h\\)\\$i\\\\");
  EXPECT_EQ(markdownText("x\ny\x01"), "x\xef\xbf\xbdy\xef\xbf\xbd");
  EXPECT_EQ(markdownText(std::string(300, 'a'), 5), "aaaaa\xe2\x80\xa6");
  // A cut never splits a character.
  EXPECT_EQ(markdownText("ab\xf0\x9f\x98\x80", 3), "ab\xe2\x80\xa6");
}

class DisplayPathTest : public FdcTest {};

TEST_F(DisplayPathTest, RelativeUnderTheCurrentDirectoryElseAsGiven) {
  SourceFile file;
  file.sourceName = internName("a.c");
  const auto path = [&](const char *directory) {
    file.sourceDir = directory ? internName(directory) : nullptr;
    return displayPath(file, "/work/project");
  };
  EXPECT_EQ(path("/work/project/src"), "src/a.c");
  EXPECT_EQ(path("/work/project/"), "a.c");
  EXPECT_EQ(path("/work/project/src/../lib"), "lib/a.c");
  EXPECT_EQ(path("."), "a.c");
  EXPECT_EQ(path("sub"), "sub/a.c");
  EXPECT_EQ(path(nullptr), "a.c");
  EXPECT_EQ(path("/work/project2"), "/work/project2/a.c");
  EXPECT_EQ(path("/home/dev/calc"), "/home/dev/calc/a.c");
  EXPECT_EQ(path("../other"), "../other/a.c");
  EXPECT_EQ(displayDirectory("src/a.c"), "src");
  EXPECT_EQ(displayDirectory("a.c"), ".");
  EXPECT_EQ(displayDirectory("/a.c"), "/");
}

TEST(CoverageGate, VerdictsAndMessages) {
  std::vector<CoverageThreshold> thresholds(4);
  ASSERT_EQ(parseThreshold("BLOCK:75.5", thresholds[0]), ThresholdError::None);
  ASSERT_EQ(parseThreshold("CALL:50", thresholds[1]), ThresholdError::None);
  ASSERT_EQ(parseThreshold("COND:90", thresholds[2]), ThresholdError::None);
  ASSERT_EQ(parseThreshold("LOGICAL:99", thresholds[3]), ThresholdError::None);
  CoverageCounts totals, hits;
  totals[CntStatementBlocks] = 4;
  hits[CntStatementBlocks] = 3;
  totals[CntCalls] = 2;
  hits[CntCalls] = 1;
  totals[CntBasicConditions] = 10;
  // No loop at all (passes), conditions left out of the run (fails).
  const std::vector<GateResult> results =
      evaluateGate(thresholds, totals, hits, CovStatementBlocks | CovCalls | CovLoops);
  ASSERT_EQ(results.size(), 4u);
  EXPECT_FALSE(results[0].passed);
  EXPECT_TRUE(results[1].passed);
  EXPECT_FALSE(results[2].passed);
  EXPECT_FALSE(results[2].measured);
  EXPECT_TRUE(results[3].passed);
  EXPECT_EQ(gateRateText(results[0]), "75.00");

  setMessageIdentity("Velmora", "zeltocov");
  testing::internal::CaptureStderr();
  EXPECT_TRUE(reportGateFailures(results));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Velmora zeltocov - ERROR: Coverage of BLOCK is 75.00%, below 75.5%\n"
            "Velmora zeltocov - ERROR: Coverage of COND is not measured by this run (the "
            "requested coverage types leave it out), below 90%\n");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(reportGateFailures({results[1], results[3]}));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
