// Plain hit lines taken straight from the read buffer: what the scanner takes and
// where it stops, and a reading pass that reads every trace alike with and
// without it (model, messages, test boundaries, cleaned trace).
#include <gtest/gtest.h>

#include <random>

#include "support/line_reader.h"
#include "support/numbers.h"
#include "test_support.h"
#include "trace/hit_line_scanner.h"
#include "trace/trace_reader.h"

namespace {

using ::testing::ExitedWithCode;

/// What a scan of `text` took: its hits as "kind:id:count" texts and its bytes.
struct Scanned {
  std::vector<std::string> hits;
  std::size_t bytes = 0;
};

Scanned scan(const std::string &text, bool countOriented, std::size_t capacity = 16,
             bool countRequired = false) {
  const std::string withNul = text + '\0'; // the line reader puts one after its bytes
  std::vector<TraceHit> hits(capacity);
  const HitScan result = scanHitLines(std::string_view(withNul.data(), text.size()), countOriented,
                                      hits.data(), capacity, countRequired);
  Scanned scanned;
  for (std::size_t i = 0; i < result.hits; ++i)
    scanned.hits.push_back(std::to_string(hits[i].kind) + ":" + std::to_string(hits[i].id) + ":" +
                           std::to_string(hits[i].count));
  scanned.bytes = result.bytes;
  return scanned;
}

using Strings = std::vector<std::string>;

TEST(HitLineScanner, DecodesPlainHitLines) {
  const std::string text = "TP c21\nTA 0\nTB Ff\nTE 12345678\nTB 00\n";
  const Scanned scanned = scan(text, false);
  EXPECT_EQ(scanned.hits, Strings({"1:300:1", "2:0:1", "3:255:1", "4:2271560481:1", "3:0:1"}));
  EXPECT_EQ(scanned.bytes, text.size());
  EXPECT_EQ(scan(text, true).hits, scanned.hits) << "an absent count counts 1";
  EXPECT_EQ(scan("TB 5 a\nTB 5 0\nTB 1 ffffffff\n", true).hits,
            Strings({"3:5:10", "3:5:0", "3:1:4294967295"}));
  // A reader that requires the count leaves a line without one to the line reading.
  const Scanned required = scan("TB 5 a\nTP 1\nTB 6 1\n", true, 16, true);
  EXPECT_EQ(required.hits, Strings({"3:5:10"}));
  EXPECT_EQ(required.bytes, 7u);
  EXPECT_EQ(scan("TB 5\nTB 6\n", false, 16, true).hits, Strings({"3:5:1", "3:6:1"}))
      << "a test that is not count-oriented has no count to require";
  const Scanned full = scan("TB 1\nTB 2\nTB 3\n", false, 2);
  EXPECT_EQ(full.hits, Strings({"3:1:1", "3:2:1"}));
  EXPECT_EQ(full.bytes, 10u);
}

TEST(HitLineScanner, StopsBeforeEveryOtherLine) {
  // Each of these lines is left to the line-by-line reading, which applies the
  // token rules (trailing blanks, CR LF, tabs, NUL bytes, more than 8 digits...).
  const std::string others[] = {"TB 3 \n",
                                "TB  3\n",
                                " TB 3\n",
                                "TB\t3\n",
                                "tb 3\n",
                                "TX 3\n",
                                "TB 3\r\n",
                                "TB \n",
                                "TB\n",
                                "TB 3g\n",
                                "TB 123456789\n",
                                "TB 3 4\n",
                                "TBB 3\n",
                                "NT 1\n",
                                "FT 1\n",
                                "DC 1\n",
                                "\n",
                                "\r\n",
                                "TB 3",
                                "T",
                                std::string("TB 3\0\n", 6),
                                std::string("TB \0\n", 5)};
  for (const std::string &other : others) {
    const Scanned scanned = scan("TB 1\n" + other + "TB 2\n", false);
    EXPECT_EQ(scanned.hits, Strings({"3:1:1"})) << other;
    EXPECT_EQ(scanned.bytes, 5u) << other;
  }
  // With counts, the count is one more field; anything else still stops the scan.
  for (const std::string other : {"TB 3 4 \n", "TB 3 4 5\n", "TB 3  4\n", "TB 3 \n",
                                  "TB 3 123456789\n", "TB 3 4\r\n", "TB 3 g\n"}) {
    const Scanned scanned = scan("TB 1 2\n" + other, true);
    EXPECT_EQ(scanned.hits, Strings({"3:1:2"})) << other;
    EXPECT_EQ(scanned.bytes, 7u) << other;
  }
  EXPECT_EQ(scan("", false).bytes, 0u);
}

/// Every branch of a service with its state, as text.
std::string describe(const Service &service) {
  std::string text = service.name->text;
  auto branch = [&](const char *what, const Branch &b) {
    text += std::string(" ") + what + std::to_string(b.id) + "=" + std::to_string(b.hits) + "/" +
            std::to_string(b.totalHits) + "/" + std::to_string(b.flags);
  };
  if (service.hasEntry) branch("P", service.entry);
  for (const ExitEntry &e : service.exits)
    branch("X", e.branch);
  for (const CallEntry &e : service.calls)
    branch("A", e.branch);
  for (const BlockEntry &e : service.blocks)
    branch("B", e.branch);
  for (const ConditionEntry &e : service.conditions)
    branch("E", e.branch);
  for (int i = 0; i < CntCount; ++i)
    text += " " + std::to_string(service.testCovered[i]) + "," +
            std::to_string(service.totalCovered[i]);
  return text + "\n";
}

/// A listener that records the test boundaries with the hit counts of the
/// model as a report run would write them (a test report without -GLOBAL), and
/// clears flag 0x01 of every branch after a CIO record, as the CIO writer does.
class ModelListener : public TraceEvents {
public:
  ModelListener(CoverageModel &model, const ReportOptions &options)
      : model_(model), options_(options) {}
  std::string events;
  const TraceReader *reader = nullptr;

  void testEnded() override {
    if (!options_.global) events += "report " + snapshot();
    if (options_.cioFile) writeCioTest();
  }
  void groupEnded() override {
    if (options_.cioFile) events += "group\n";
  }
  void tracesEnded() override {
    if (options_.cioFile) events += "global\n";
  }
  bool keepsTestHits() const override { return !options_.global || options_.cioFile; }

private:
  void writeCioTest() {
    events += "cio " + snapshot();
    for (auto &file : model_.files())
      for (auto &service : file->services) {
        service->entry.flags &= ~FlagHitSinceLook;
        for (ExitEntry &e : service->exits)
          e.branch.flags &= ~FlagHitSinceLook;
        for (CallEntry &e : service->calls)
          e.branch.flags &= ~FlagHitSinceLook;
        for (BlockEntry &e : service->blocks)
          e.branch.flags &= ~FlagHitSinceLook;
        for (ConditionEntry &e : service->conditions)
          e.branch.flags &= ~FlagHitSinceLook;
      }
  }
  std::string snapshot() {
    const TestState &state = reader->state();
    std::string text = std::string(state.testName ? state.testName->text : "-") +
                       (state.countOriented ? " co\n" : "\n");
    for (auto &file : model_.files())
      for (auto &service : file->services)
        text += describe(*service);
    return text;
  }
  CoverageModel &model_;
  const ReportOptions &options_;
};

/// Adds a service with the given IDs; block kinds cycle through the four kinds.
void addService(SourceFile &file, const char *name, std::vector<uint32_t> points,
                std::vector<uint32_t> calls, std::vector<uint32_t> blocks,
                std::vector<uint32_t> conditions) {
  auto service = std::make_unique<Service>();
  service->name = internName(name);
  service->hasEntry = true;
  service->entry.id = points.front();
  for (std::size_t i = 1; i < points.size(); ++i)
    service->exits.push_back(ExitEntry{Branch{{}, points[i], 0, 0}, ExitRegular});
  for (uint32_t id : calls)
    service->calls.push_back(CallEntry{Branch{{}, id, 0, 0}, nullptr});
  for (uint32_t id : blocks)
    service->blocks.push_back(
        BlockEntry{Branch{{}, id, 0, 0}, static_cast<uint8_t>(service->blocks.size() % 4), "b"});
  for (uint32_t id : conditions) {
    ConditionEntry entry;
    entry.branch.id = id;
    service->conditions.push_back(entry);
  }
  file.procedureBranchCount += static_cast<uint32_t>(points.size());
  file.callBranchCount += static_cast<uint32_t>(calls.size());
  file.blockBranchCount += static_cast<uint32_t>(blocks.size());
  file.conditionBranchCount += static_cast<uint32_t>(conditions.size());
  file.services.push_back(std::move(service));
}

/// Two source files: a.c (key 0x11, checksum 0x22) whose services f and g share
/// some IDs and where g holds a block far beyond the others, and b.c (0x33, 0x44).
void buildModel(CoverageModel &model) {
  auto a = std::make_unique<SourceFile>();
  a->fdcName = "a.fdc";
  a->fileKey = 0x11;
  a->checksum = 0x22;
  a->sourceName = internName("a.c");
  a->instrumentedTypes = 0x05ED;
  addService(*a, "f", {0, 1}, {0, 1}, {0, 1, 2, 3, 4, 5}, {0, 1, 2, 3});
  addService(*a, "g", {2, 1, 3}, {1}, {6, 3, 7, 900000}, {4, 5, 2});
  auto b = std::make_unique<SourceFile>();
  b->fdcName = "b.fdc";
  b->fileKey = 0x33;
  b->checksum = 0x44;
  b->sourceName = internName("b.c");
  b->instrumentedTypes = 0x05ED;
  addService(*b, "h", {0, 1}, {0}, {0, 1, 2, 3}, {0, 1});
  model.buildBranchIndex(model.RegisterSourceFile(std::move(a)));
  model.buildBranchIndex(model.RegisterSourceFile(std::move(b)));
}

/// Runs a reading pass over trace texts and tells everything it left: the
/// model, the messages, the test boundaries and the cleaned trace.
std::string readTraces(const Strings &traces, bool scanning,
                       const std::function<void(ReportOptions &)> &configure) {
  TempDir dir;
  CoverageModel model;
  buildModel(model);
  ReportOptions options;
  configure(options);
  if (options.cleanFile) options.cleanFile = dir.path() + "/clean.tio";
  std::vector<std::string> paths;
  for (const std::string &text : traces)
    paths.push_back(dir.write("t" + std::to_string(paths.size()) + ".tio", text));
  ModelListener listener(model, options);
  ::testing::internal::CaptureStderr();
  {
    // A fixed run time: the merged section is dated with it.
    TraceReader reader(model, options, &listener, 1700000000);
    listener.reader = &reader;
    reader.setHitLineScanning(scanning);
    reader.run(paths);
    reader.finishCleanedOutput();
    listener.events += reader.state().countOriented ? "run co\n" : "run plain\n";
  }
  std::string result = "stderr:\n" + ::testing::internal::GetCapturedStderr() + listener.events;
  for (auto &file : model.files())
    for (auto &service : file->services)
      result += describe(*service);
  if (options.cleanFile) result += "clean:\n" + readFile(*options.cleanFile);
  return result;
}

/// The option sets the traces are read with.
const std::vector<std::pair<const char *, std::function<void(ReportOptions &)>>> kOptionSets = {
    {"global", [](ReportOptions &) {}},
    {"per test", [](ReportOptions &o) { o.global = false; }},
    {"iterations", [](ReportOptions &o) { o.global = false, o.iterations = true; }},
    {"cio", [](ReportOptions &o) { o.cioFile = "x.cio"; }},
    {"blocks only", [](ReportOptions &o) { o.coverageTypes = CovStatementBlocks; }},
    {"clean", [](ReportOptions &o) { o.cleanFile = "set by readTraces"; }},
    {"clean merged", [](ReportOptions &o) { o.cleanFile = "x", o.mergeTests = true; }},
};

/// Reads the traces with each option set, with and without the scanner. The
/// cleaned trace takes no ID beyond a file's branch count (it ends the run), so
/// `clean` false leaves out the option sets that write one.
void expectSameReading(const Strings &traces, bool clean = true) {
  for (const auto &[name, configure] : kOptionSets) {
    if (!clean && std::string(name).find("clean") != std::string::npos) continue;
    const std::string byScanner = readTraces(traces, true, configure);
    const std::string byLines = readTraces(traces, false, configure);
    EXPECT_EQ(byScanner, byLines) << name;
  }
}

TEST(HitLineScanning, TrickyLinesAreReadAlike) {
  const std::string far = std::string("TB ") + FormatHex(900000) + "\n";
  expectSameReading(
      {"NT \"one\" 1 1\nDT 0\nFT 11\nDC 22\nTP 0\nTB 0\nTB 00\nTB 1\nTB 3\n"
       // g's block 6 makes g current: the shared block 3 is then g's.
       "TB 6\nTB 3\nTB 3 \nTB 3 7\nTB 2\r\nTE 2\nTA 1\nTP 1\nTB 0\nTE 2\nTB 0 \nTB 0\n"
       "FT 33\nDC 44\nTB 0\nTB 1\n"
       "NT \"two\" 2 1\nCO\nFT 11\nDC 22\nTB 0 5\nTB 0\nTB 0 0\nTB 3 2\nTB 3 \n"
       "TB 1 ffffffff\nTB 1 ffffffff\nTB 1\n"
       "NT \"three\" 3 2\nTB 0\nTB 0\nTB 1\nFT 55\nDC 66\nTB 9\nTB 9 \nFT 11\nDC 22\n"
       "TB 4\nTB 4 \n",
       "TB 5\nTB 5\r\nTP 2\nNT \"three\" 3\nTB 6\nTB 7 1\nTB 7", "TB 1\nNT\nTB 5\nTB 5\n"});
  // A block far beyond the others is found through the index's other part.
  expectSameReading({"NT\nFT 11\nDC 22\nTB 0\nTB 6\n" + far + "TB 3\n" + far + far + "TB 3\n"},
                    false);
}

TEST(HitLineScanning, LongMixedTracesAreReadAlike) {
  // Long enough to cross the line reader's blocks, with every form of hit line.
  std::mt19937 random(4321);
  const char *kinds[] = {"TP", "TA", "TB", "TE"};
  const uint32_t ids[2][4][8] = {
      {{0, 1, 2, 3}, {0, 1}, {0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3, 4, 5}},
      {{0, 1}, {0}, {0, 1, 2, 3}, {0, 1}}};
  const uint32_t idCounts[2][4] = {{4, 2, 8, 6}, {2, 1, 4, 2}};
  std::string text;
  int part = 0;
  bool counted = false;
  for (int line = 0; line < 300000; ++line) {
    const unsigned roll = random() % 1000;
    if (roll < 2) {
      counted = random() % 2;
      text += "NT \"t" + std::to_string(random() % 5) + "\" " + std::to_string(random() % 3) +
              (counted ? "\nCO\n" : "\n");
      continue;
    }
    if (roll < 12) {
      part = static_cast<int>(random() % 3);
      text += part == 0 ? "FT 11\nDC 22\n" : part == 1 ? "FT 33\nDC 44\n" : "FT 55\nDC 66\n";
      continue;
    }
    const int kind = static_cast<int>(random() % 4);
    const int file = part == 1 ? 1 : 0;
    text += std::string(kinds[kind]) + " " +
            FormatHex(ids[file][kind][random() % idCounts[file][kind]]);
    const unsigned form = random() % 50;
    if (form == 0) text += " ";
    if (form == 1) text += "\r";
    if (form == 2) text += std::string(" ") + FormatHex(random() % 4);
    if (form == 3) text += " 1 2";
    if (counted && form > 40) text += std::string(" ") + FormatHex(random() % 3);
    text += "\n";
  }
  ASSERT_GT(text.size(), 3u * LineReader::kDefaultBlockSize / 2);
  expectSameReading({"NT\nFT 11\nDC 22\n" + text});
}

TEST(HitLineScanning, FailuresAreTheSame) {
  // Lines that end the run: each gives the same message with and without the
  // scanner, after the same plain hit lines.
  const std::pair<std::string, std::string> failures[] = {
      {"TB 99\n", "Cannot find instrumentation ID for specified trace in FDC file a.fdc"},
      {"TB 5g\n", "Bad hexadecimal number while reading file .*: 5g"},
      {"TB 123456789\n", "Number overflow while reading file"},
      {"TB\t5\n", "Unknown opcode in trace file .*: TB\t5"},
      {std::string("TB 1\0\n", 6), "Null pointer for value while reading file"},
  };
  for (const auto &[line, message] : failures) {
    for (bool scanning : {true, false}) {
      TempDir dir;
      CoverageModel model;
      buildModel(model);
      ReportOptions options;
      const std::string path =
          dir.write("t.tio", "NT\nFT 11\nDC 22\nTB 0\nTB 1\n" + line + "TB 2\n");
      EXPECT_EXIT(
          {
            TraceReader reader(model, options, nullptr, 0);
            reader.setHitLineScanning(scanning);
            reader.run({path});
            std::exit(0);
          },
          ExitedWithCode(7), message)
          << line << (scanning ? " with the scanner" : " line by line");
    }
  }
}

} // namespace
