// The path trace pass: what it writes for the hit lines of the traces, that it
// leaves the model as it found it, and how it ends on bad lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <random>

#include "cli/report_options.h"
#include "fdc_test_helpers.h"
#include "flow/path_trace.h"
#include "model/hit_recorder.h"
#include "support/line_reader.h"
#include "trace/trace_reader.h"

namespace {

using ::testing::ExitedWithCode;

constexpr char kSeparator[] =
    "--------------------------------------------------------------------------------\n";

/// A source file k.c (trace key 1, checksum 1: the token T is folded into the
/// checksum of the DC line) with a function f and a function g.
constexpr char kFdc[] = "VE 3.0e T\n"
                        "FC \"k.c\" \"/src\"\n"
                        "FD 0\n"
                        "TC PR RE AP BS BI BL BA CO CC\n"
                        "PR 0 proc \"f\" 10 10\n"
                        "BL 0 simple \"f\" body 11 29\n"
                        "AP 0 \"f\" \"g\" 12 12\n"
                        "CE 0 \"f\" \"x > 0\" 13 13\n"
                        "BL 1 implicit \"f\" else 14 16\n"
                        "CA 2 \"f\" \"case 1\" 18 18\n"
                        "PR 1 endproc \"f\" 30 30\n"
                        "PR 2 proc \"g\" 40 40\n"
                        "BL 2 simple \"g\" body 41 43\n"
                        "PR 3 return \"g\" 44 44\n"
                        "DC 1409286145 1\n";

class PathTraceTest : public FdcTest {
protected:
  void SetUp() override {
    FdcTest::SetUp();
    // Dates are local times: the tests read them in UTC.
    const char *tz = std::getenv("TZ");
    savedTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (savedTz_)
      setenv("TZ", savedTz_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
    FdcTest::TearDown();
  }

  /// A trace file with this content, named t0.tio, t1.tio...
  std::string trace(const std::string &content) {
    return dir.write("t" + std::to_string(traces_++) + ".tio", content);
  }
  /// The whole path trace of the trace files.
  std::string flow(const std::vector<std::string> &traces, int language = 0) {
    const std::string path = dir.path() + "/flow.txt";
    std::FILE *out = std::fopen(path.c_str(), "w");
    if (!out) return "cannot create " + path;
    std::vector<InputFile> inputs;
    for (const std::string &trace : traces)
      inputs.push_back(InputFile{trace, trace});
    runPathTrace(out, "flow.txt", inputs, options, static_cast<ReportLanguage>(language), model, 0);
    std::fclose(out);
    return readFile(path);
  }
  /// The lines after the header and before the closing line.
  std::string body(const std::vector<std::string> &traces, int language = 0) {
    const std::string text = flow(traces, language);
    const std::string header = std::string(kSeparator) +
                               "\n\t\tCorvane(R) Velmora Coverage - Path trace\n"
                               "\n\t\t    Tool version:    8.0.1.1.163.015\n"
                               "\n\t\t\t  Thu Jan  1 00:00:00 1970\n\n" +
                               kSeparator;
    if (text.compare(0, header.size(), header) != 0) return "bad header: " + text;
    if (text.size() < header.size() + 81 || text.compare(text.size() - 81, 81, kSeparator) != 0)
      return "no closing line: " + text;
    return text.substr(header.size(), text.size() - header.size() - 81);
  }

  ReportOptions options;
  std::optional<std::string> savedTz_;
  int traces_ = 0;
};

TEST_F(PathTraceTest, HeaderAndLinesInFrench) {
  load("k.fdc", kFdc);
  const std::string text = flow({trace("NT \"t\"\nDT \"d\"\nFT 1\nDC 1\nTP 0\nTP 1\nTP 3\n")}, 1);
  EXPECT_EQ(text, std::string(kSeparator) +
                      "\n\t\tCorvane(R) Velmora Coverage - Trace de chemin\n"
                      "\n\t\t    Tool version:    8.0.1.1.163.015\n"
                      "\n\t\t\t  Thu Jan  1 00:00:00 1970\n\n" +
                      kSeparator +
                      "Test t d\n\tentree f, ligne 10\n\tsortie normale f, ligne 30\n"
                      "\treturn g, ligne 44\n" +
                      kSeparator);
}

TEST_F(PathTraceTest, TestLineDates) {
  load("k.fdc", kFdc);
  // 0x6652c8c0 seconds, then a negative time and a quoted date cut at its quote.
  EXPECT_EQ(body({trace("NT \"n\"\nDT 0c8c2566\nDT ffffffff\nDT \"a\\\"b\"\nNT 7\nDT 0\n")}),
            "Test n Sun May 26 05:29:36 2024\nTest n\nTest n a\nTest 7\n");
}

TEST_F(PathTraceTest, PlainAndCountedHitLinesReadAlike) {
  load("k.fdc", kFdc);
  const std::string expected = "\tincoming f, line 10\n\tbody f, line 11\n\tg f, line 12\n"
                               "\t\"x > 0\" True, line 13\n\t\"x > 0\" False, line 13\n"
                               "\telse f, line 16\n\t\"case 1\", line 18\n";
  const std::string hits = "TP 0\nTB 0\nTA 0\nTE 0\nTE 1\nTB 1\nTE 2\n";
  EXPECT_EQ(body({trace("NT\nFT 1\nDC 1\n" + hits)}), expected);
  // CR LF line ends, further tokens, and counts (read, not shown) take the line
  // by line reading instead of the scan of plain hit lines.
  EXPECT_EQ(body({trace("NT\r\nFT 1\r\nDC 1\r\nTP 0\r\nTB 0 x\r\nTA 0\r\nTE 0\r\nTE 1\r\n"
                        "TB 1\r\nTE 2\r\n")}),
            expected);
  EXPECT_EQ(body({trace("NT\nCO\nFT 1\nDC 1\nTP 0 2\nTB 0 1\nTA 0 ff\nTE 0 1\nTE 1 1 z\n"
                        "TB 1 3\nTE 2 0\n")}),
            expected);
}

TEST_F(PathTraceTest, UnknownBranchesAndTypeSetWriteNothing) {
  load("k.fdc", kFdc);
  // The ID 9 names no block; the compound condition vectors have no CC here.
  EXPECT_EQ(body({trace("NT\nFT 1\nDC 1\nTB 9\nTB 2\nTE 9\n")}), "\tbody g, line 41\n");
  options.coverageTypes = CovCalls;
  EXPECT_EQ(body({trace("NT\nFT 1\nDC 1\nTP 0\nTB 0\nTA 0\nTE 0\n")}), "\tg f, line 12\n");
}

TEST_F(PathTraceTest, TypeSetDefaultsToTheInstrumentedTypes) {
  load("k.fdc", kFdc);
  load("m.fdc", "VE 3.0e T\nFC \"m.c\" \"/src\"\nFD 0\nTC AP\nAP 0 \"m\" \"n\" 5 5\n"
                "BL 0 simple \"m\" body 4 6\nDC 1409286146 2\n");
  // Blocks are enabled by k.c for every file, calls by m.c.
  EXPECT_EQ(body({trace("NT\nFT 2\nDC 2\nTA 0\nTB 0\n")}), "\tn m, line 5\n\tbody m, line 4\n");
}

TEST_F(PathTraceTest, SharedIdsFollowTheCurrentFunction) {
  // Block 5 in both functions: the lookup starts from the function of the last
  // hit, whatever hits came before, and from the first function after an FT line
  // (also one met before).
  load("s.fdc", "VE 3.0e T\nFC \"s.c\" \"/src\"\nFD 0\nTC PR BS\n"
                "PR 0 proc \"f\" 1 1\nBL 5 simple \"f\" inf 2 2\n"
                "PR 1 proc \"g\" 5 5\nBL 5 simple \"g\" ing 6 6\nDC 1409286145 1\n");
  EXPECT_EQ(body({trace("NT\nFT 1\nDC 1\nTB 5\nTP 1\nTB 5\nTB 5\nTP 0\nTB 5\nTP 1\nFT 1\nDC 1\n"
                        "TB 5\n")}),
            "\tinf f, line 2\n\tincoming g, line 5\n\ting g, line 6\n\ting g, line 6\n"
            "\tincoming f, line 1\n\tinf f, line 2\n\tincoming g, line 5\n\tinf f, line 2\n");
}

TEST_F(PathTraceTest, FarIdsAndExitsOfOtherKinds) {
  load("k.fdc", kFdc);
  // An ID far beyond the others is looked up each time it is hit.
  load("w.fdc", "VE 3.0e T\nFC \"w.c\" \"/src\"\nFD 0\nTC PR RE BS\n"
                "PR 0 proc \"w\" 1 1\nBL 4000000 simple \"w\" far 2 2\n"
                "PR 1 endproc \"w\" 3 3\nDC 1409286147 3\n");
  Service *w = serviceNamed(*model.files().back(), "w");
  ASSERT_NE(w, nullptr);
  w->exits[0].kind = 4;
  EXPECT_EQ(body({trace("NT\nFT 3\nDC 3\nTB 0090d3\nTP 1\nTB 0090d3\n")}),
            "\tfar w, line 2\n\tfar w, line 2\n");
  // An ID of 2^30 names no branch; the hits around it are written.
  EXPECT_EQ(body({trace("NT\nFT 3\nDC 3\nTP 0\nTB 00000004\nTP 0\nTB 00000004\n")}),
            "\tincoming w, line 1\n\tincoming w, line 1\n");
}

TEST_F(PathTraceTest, OutputLargerThanItsBlocks) {
  // A condition text longer than a block, between many short lines.
  const std::string longText(300 * 1024, 'c');
  load("l.fdc", "VE 3.0e T\nFC \"l.c\" \"/src\"\nFD 0\nTC PR CO\nPR 0 proc \"f\" 1 1\n"
                "CA 0 \"f\" \"" +
                    longText + "\" 7 7\nDC 1409286145 1\n");
  std::string hits = "NT\nFT 1\nDC 1\n";
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    hits += "TP 0\n";
    expected += "\tincoming f, line 1\n";
    if (i % 5000 == 0) {
      hits += "TE 0\n";
      expected += "\t\"" + longText + "\", line 7\n";
    }
  }
  const std::string actual = body({trace(hits)});
  EXPECT_EQ(actual.size(), expected.size());
  EXPECT_TRUE(actual == expected);
}

TEST_F(PathTraceTest, LinesAroundTheCopyWindowAndFilesMetAgain) {
  // Lines of 62 to 66 bytes ("\tincoming " + name + ", line 1\n"): those that fit the
  // window are copied with the bytes after them, which must not show. Two files
  // take turns; the first is met again after the second has added lines.
  std::string fdc = "VE 3.0e T\nFC \"a.c\" \"/src\"\nFD 0\nTC PR BS\n";
  std::string expectedA[5];
  for (int i = 0; i < 5; ++i) {
    const std::string name = std::string(43 + i, static_cast<char>('a' + i));
    fdc += "PR " + std::to_string(i) + " proc \"" + name + "\" 1 1\n";
    expectedA[i] = "\tincoming " + name + ", line 1\n";
  }
  load("a.fdc", fdc + "DC 1409286145 1\n");
  load("b.fdc", "VE 3.0e T\nFC \"b.c\" \"/src\"\nFD 0\nTC PR BS\nPR 0 proc \"g\" 5 5\n"
                "BL 0 simple \"g\" x 6 6\nDC 1409286146 2\n");
  const std::string b = "\tincoming g, line 5\n\tx g, line 6\n";
  EXPECT_EQ(body({trace("NT\nFT 1\nDC 1\nTP 4\nTP 0\nTP 3\nFT 2\nDC 2\nTP 0\nTB 0\n"
                        "FT 1\nDC 1\nTP 1\nTP 2\nTP 4\nTP 4\nFT 2\nDC 2\nTP 0\nTB 0\n")}),
            expectedA[4] + expectedA[0] + expectedA[3] + b + expectedA[1] + expectedA[2] +
                expectedA[4] + expectedA[4] + b);
  EXPECT_EQ(expectedA[1].size(), 63u);
  EXPECT_EQ(expectedA[3].size(), 65u);
}

TEST_F(PathTraceTest, TraceOfManyBlocksReadAhead) {
  // A trace of several read-ahead blocks: its plain hit lines are decoded by the
  // thread that reads it. Lines cross the blocks' ends; file-parts change, a
  // count-oriented test, a CR LF line, lines of 64 bytes and more, and unknown
  // IDs come between the runs of plain lines.
  load("k.fdc", kFdc);
  const std::string longName(70, 'q');
  load("m.fdc", "VE 3.0e T\nFC \"m.c\" \"/src\"\nFD 0\nTC PR AP BS\nAP 0 \"m\" \"n\" 5 5\n"
                "BL 0 simple \"m\" body 4 6\nPR 1 proc \"" +
                    longName + "\" 8 8\nDC 1409286146 2\n");
  struct Hit {
    const char *line;
    std::string expected;
  };
  const Hit inK[] = {{"TP 0", "\tincoming f, line 10\n"}, {"TB 0", "\tbody f, line 11\n"},
                     {"TA 0", "\tg f, line 12\n"},        {"TE 0", "\t\"x > 0\" True, line 13\n"},
                     {"TE 2", "\t\"case 1\", line 18\n"}, {"TB 9", ""},
                     {"TP 3", "\treturn g, line 44\n"}};
  const Hit inM[] = {{"TA 0", "\tn m, line 5\n"},
                     {"TB 0", "\tbody m, line 4\n"},
                     {"TP 1", "\tincoming " + longName + ", line 8\n"}};
  std::mt19937 random(7);
  std::string hits = "NT\nFT 1\nDC 1\n";
  std::string expected;
  bool inFileM = false;
  bool counted = false;
  while (hits.size() < 3 * 1024 * 1024) {
    const unsigned pick = random() % 1000;
    if (pick < 4) {
      inFileM = !inFileM;
      hits += inFileM ? "FT 2\nDC 2\n" : "FT 1\nDC 1\n";
    } else if (pick < 6) {
      counted = !counted;
      hits += counted ? "NT\nCO\n" : "NT\n";
    } else {
      const Hit &hit = inFileM ? inM[random() % 3] : inK[random() % 7];
      hits += hit.line;
      hits += counted ? " 1\n" : pick < 8 ? "\r\n" : "\n";
      expected += hit.expected;
    }
  }
  const std::string actual = body({trace(hits)});
  EXPECT_EQ(actual.size(), expected.size());
  EXPECT_TRUE(actual == expected);
}

TEST_F(PathTraceTest, ModelIsLeftAsItWas) {
  load("k.fdc", kFdc);
  SourceFile &file = *model.files().front();
  hits.markTraceBranch(file, KindBlock, 0, 3, true);
  hits.markTraceBranch(file, KindCondition, 1, 1, false);
  auto snapshot = [&] {
    std::string state;
    for (const auto &service : file.services) {
      for (int i = 0; i < CntCount; ++i)
        state += std::to_string(service->testCovered[i]) + "/" +
                 std::to_string(service->totalCovered[i]) + " ";
      auto add = [&](const Branch &branch) {
        state += std::to_string(branch.hits) + ":" + std::to_string(branch.totalHits) + ":" +
                 std::to_string(branch.flags) + " ";
      };
      add(service->entry);
      for (const auto &exit : service->exits)
        add(exit.branch);
      for (const auto &call : service->calls)
        add(call.branch);
      for (const auto &block : service->blocks)
        add(block.branch);
      for (const auto &condition : service->conditions)
        add(condition.branch);
    }
    return state + std::to_string(model.files().size());
  };
  const std::string before = snapshot();
  EXPECT_NE(
      body({trace("NT\nCO\nFT 1\nDC 1\nTP 0 1\nTB 0 4\nTB 1 1\nTE 1 1\nFT 9\nDC 9\nTB 0 1\n")}),
      "");
  EXPECT_EQ(snapshot(), before);
}

TEST_F(PathTraceTest, BadLinesEndTheRunWithWhatWasWritten) {
  load("k.fdc", kFdc);
  const std::string path = dir.path() + "/flow.txt";
  auto runTo = [&](const std::string &tracePath) {
    std::FILE *out = std::fopen(path.c_str(), "w");
    runPathTrace(out, "flow.txt", {InputFile{tracePath, tracePath}}, options, English, model, 0);
  };
  for (const char *line : {"DC 1", "XY 1", "", "TP\t5"}) {
    const std::string bad =
        trace(std::string("NT \"t\"\nDT \"d\"\nFT 1\nDC 1\nTP 0\n") + line + "\n");
    EXPECT_EXIT(runTo(bad), ExitedWithCode(7),
                exactly(fatalFrame("Unknown opcode in trace file " + bad)))
        << line;
    const std::string written = readFile(path);
    EXPECT_NE(written.find("Test t d\n\tincoming f, line 10\n"), std::string::npos) << written;
  }
  const std::string outside = trace("NT\nTA 0\n");
  EXPECT_EXIT(runTo(outside), ExitedWithCode(7),
              exactly(fatalFrame("Incorrect traces in " + outside +
                                 " (branch hit outside of any file-part)")));
  const std::string counted = trace("NT\nCO\nFT 1\nDC 1\nTB 0 1\nTB 1\n");
  EXPECT_EXIT(runTo(counted), ExitedWithCode(7),
              exactly(fatalFrame("Null pointer for value while reading file " + counted)));
  EXPECT_EQ(readFile(path).substr(readFile(path).rfind(kSeparator) + 81), "\tbody f, line 11\n");
}

TEST_F(PathTraceTest, InvalidTracesGiveTheMessagesOfTheReadingPass) {
  load("k.fdc", kFdc);
  const std::string hits = "NT \"t\"\nFT 1\nDC 1\nTP 0\n";
  // Files that are not traces: a line too long for a trace record, a line that
  // starts with a NUL byte, a first token cut by one. Each is reported and left;
  // an EI line warns; reading goes on with the next file.
  const std::string tooLong =
      trace(hits + std::string(LineReader::kMaxLineLength, 'x') + "\nTB 0\n");
  static const char kNulStart[] = "\0TB 0\nTB 0\n";
  static const char kCutToken[] = "\x7f"
                                  "ELF\x02\0\nTB 0\n";
  const std::string nulStart = trace(hits + std::string(kNulStart, sizeof kNulStart - 1));
  const std::string cutToken = trace(hits + std::string(kCutToken, sizeof kCutToken - 1));
  const std::string last = trace("EI 02\nTB 2\n");
  const std::vector<std::string> traces = {tooLong, nulStart, cutToken, last};
  std::vector<InputFile> inputs;
  for (const std::string &path : traces)
    inputs.push_back(InputFile{path, path});

  ::testing::internal::CaptureStderr();
  const std::string text = body(traces);
  const std::string pathTraceErr = ::testing::internal::GetCapturedStderr();
  ::testing::internal::CaptureStderr();
  TraceReader(this->hits, options, nullptr, 0).run(inputs);
  const std::string readingErr = ::testing::internal::GetCapturedStderr();

  std::string expected;
  for (const std::string &bad : {tooLong, nulStart, cutToken})
    expected += "Velmora zeltocov - ERROR: " + bad + " is not a valid Code Coverage trace file\n";
  expected += warningFrame("Error detected during execution:\n-> a source object was not linked "
                           "with the right runtime object (check instrumentation mode)");
  EXPECT_EQ(pathTraceErr, expected);
  EXPECT_EQ(readingErr, expected);
  EXPECT_EQ(text, "\tincoming f, line 10\n\tincoming f, line 10\n\tincoming f, line 10\n"
                  "\tbody g, line 41\n");

  // Lines that end the run end both passes with the same message (the reading
  // pass adds the long description of an unknown opcode).
  for (const std::string line : {"XY 1", "DC 1", "TA", "TB z"}) {
    const std::string bad = trace(hits + line + "\n");
    const std::string message = line == "TA"     ? "Null pointer for value while reading file "
                                : line == "TB z" ? "Bad hexadecimal number while reading file "
                                                 : "Unknown opcode in trace file ";
    std::string startOfMessage = exactly(fatalFrame(message + bad));
    startOfMessage.resize(startOfMessage.size() - 2); // no line end, no end of text
    EXPECT_EXIT(TraceReader(this->hits, options, nullptr, 0).run({bad}), ExitedWithCode(7),
                startOfMessage)
        << line;
    EXPECT_EXIT(flow({bad}), ExitedWithCode(7), startOfMessage) << line;
  }
}

TEST_F(PathTraceTest, LinesOfSkippedTestsAndPartsAreNotRead) {
  load("k.fdc", kFdc);
  options.global = false;
  NameEntry *skipped = internName("skipped");
  skipped->flags |= InExTestList;
  countOccurrence(options.excludedTestList, skipped);
  // Unknown lines, a DC line and a count-oriented hit without count are not read
  // while a test or a file-part is skipped; an EI line still warns.
  ::testing::internal::CaptureStderr();
  const std::string text =
      body({trace("NT \"skipped\"\nDT \"x\"\nXY\nDC 1\nFT 1\nDC 1\nTP 0\nEI 1\n"
                  "NT \"kept\"\nCO\nFT 5\nDC 5\nXY\nDC 1\nTP 0\nDT \"y\"\n"
                  "FT 1\nDC 1\nTB 0 1\n")});
  const std::string err = ::testing::internal::GetCapturedStderr();
  skipped->flags = 0;
  freeOccurrenceList(options.excludedTestList);
  EXPECT_EQ(text, "\tbody f, line 11\n");
  EXPECT_EQ(err, warningFrame("Error detected during execution:\n-> unknown error opcode"));
}

} // namespace
