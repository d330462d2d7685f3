// The coverage gate's values, its exact comparison, the options of the outputs
// for CI systems beside the older options, and the source map.
#include "driver_test_support.h"

#include <cstring>
#include <map>
#include <optional>
#include <set>

#include "cli/coverage_thresholds.h"
#include "support/source_map.h"

namespace {

CoverageThreshold parsed(const std::string &text) {
  CoverageThreshold threshold;
  EXPECT_EQ(parseThreshold(text, threshold), ThresholdError::None) << text;
  return threshold;
}

TEST(CoverageThresholds, TypesByKeywordOrUnambiguousPrefix) {
  const struct {
    const char *text;
    const char *keyword;
  } cases[] = {
      {"PROC:1", "PROC"},         {"p:1", "PROC"},       {"ret:1", "RET"},
      {"Ca:1", "CALL"},           {"b:1", "BLOCK"},      {"I:1", "IMPLICIT"},
      {"dec:1", "DECISION"},      {"L:1", "LOGICAL"},    {"a:1", "ATC"},
      {"COND:1", "COND"},         {"mod:1", "MODIFIED"}, {"COMP:1", "COMPOUND"},
      {"compound:1", "COMPOUND"},
  };
  for (const auto &c : cases)
    EXPECT_STREQ(parsed(c.text).type->keyword, c.keyword) << c.text;

  CoverageThreshold threshold;
  // C begins CALL, COND and COMPOUND; CO begins COND and COMPOUND.
  EXPECT_EQ(parseThreshold("C:1", threshold), ThresholdError::AmbiguousType);
  EXPECT_EQ(parseThreshold("co:1", threshold), ThresholdError::AmbiguousType);
  EXPECT_EQ(parseThreshold("CONDX:1", threshold), ThresholdError::UnknownType);
  EXPECT_EQ(parseThreshold("FUNCTIONS:1", threshold), ThresholdError::UnknownType);
  EXPECT_EQ(parseThreshold(":80", threshold), ThresholdError::UnknownType);
}

TEST(CoverageThresholds, PercentagesWithDecimalsUpToOneHundred) {
  EXPECT_EQ(parsed("BLOCK:80").scaledPercent, 80000000000u);
  EXPECT_EQ(parsed("BLOCK:80").percentText, "80");
  EXPECT_EQ(parsed("BLOCK:080.50").percentText, "80.5");
  EXPECT_EQ(parsed("BLOCK:80.5").scaledPercent, 80500000000u);
  EXPECT_EQ(parsed("BLOCK:.5").percentText, "0.5");
  EXPECT_EQ(parsed("BLOCK:0").scaledPercent, 0u);
  EXPECT_EQ(parsed("BLOCK:100.000").percentText, "100");
  EXPECT_EQ(parsed("BLOCK:66.666666667").scaledPercent, 66666666667u);

  CoverageThreshold threshold;
  for (const char *bad : {"BLOCK", "BLOCK:", "BLOCK:abc", "BLOCK:8O", "BLOCK:1.2.3", "BLOCK:-5",
                          "BLOCK:.", "BLOCK:80%", "BLOCK: 80", "BLOCK:1.0000000001"})
    EXPECT_EQ(parseThreshold(bad, threshold), ThresholdError::BadPercent) << bad;
  for (const char *large : {"BLOCK:101", "BLOCK:100.000000001", "BLOCK:99999999999999999999"})
    EXPECT_EQ(parseThreshold(large, threshold), ThresholdError::TooLarge) << large;
}

TEST(CoverageThresholds, ComparedExactly) {
  // 2 of 3 is 66.6666666666...%: at or under that the gate passes, above it fails.
  EXPECT_TRUE(meetsThreshold(2, 3, parsed("B:66.666666666")));
  EXPECT_FALSE(meetsThreshold(2, 3, parsed("B:66.666666667")));
  // 1999 of 2000 is exactly 99.95%; the report would print 99.9.
  EXPECT_TRUE(meetsThreshold(1999, 2000, parsed("B:99.95")));
  EXPECT_FALSE(meetsThreshold(1999, 2000, parsed("B:99.950000001")));
  EXPECT_FALSE(meetsThreshold(4, 5, parsed("B:80.000000001")));
  EXPECT_TRUE(meetsThreshold(4, 5, parsed("B:80")));
  // A total of 0 passes any threshold; nothing hit passes 0 only.
  EXPECT_TRUE(meetsThreshold(0, 0, parsed("B:100")));
  EXPECT_TRUE(meetsThreshold(0, 5, parsed("B:0")));
  EXPECT_FALSE(meetsThreshold(0, 5, parsed("B:0.000000001")));
  // Counts near the counters' limits do not overflow (decisions add two counters).
  const uint64_t big = 2 * uint64_t{UINT32_MAX};
  EXPECT_TRUE(meetsThreshold(big, big, parsed("B:100")));
  EXPECT_FALSE(meetsThreshold(big - 1, big, parsed("B:100")));
  // (big - 1) / big is 99.99999998835...%.
  EXPECT_TRUE(meetsThreshold(big - 1, big, parsed("B:99.999999988")));
  EXPECT_FALSE(meetsThreshold(big - 1, big, parsed("B:99.999999989")));
}

class CiOptionsTest : public DriverTest {
protected:
  void TearDown() override {
    releaseOptions(options);
    DriverTest::TearDown();
  }
};

TEST_F(CiOptionsTest, OutputsGateAndStrictByAbbreviations) {
  ASSERT_TRUE(analyse({"a.fdc", "-X=c.xml", "-J=c.json", "-D=c.md", "-FA=b:80,cond:50.5",
                       "-failunder=DEC:1", "-ST"}))
      << printed;
  EXPECT_EQ(printed, "");
  EXPECT_EQ(options.xmlFile, std::optional<std::string>("c.xml"));
  EXPECT_EQ(options.jsonFile, std::optional<std::string>("c.json"));
  EXPECT_EQ(options.digestFile, std::optional<std::string>("c.md"));
  EXPECT_TRUE(options.strict);
  ASSERT_EQ(options.coverageThresholds.size(), 3u);
  EXPECT_STREQ(options.coverageThresholds[0].type->keyword, "BLOCK");
  EXPECT_STREQ(options.coverageThresholds[1].type->keyword, "COND");
  EXPECT_EQ(options.coverageThresholds[1].percentText, "50.5");
  EXPECT_STREQ(options.coverageThresholds[2].type->keyword, "DECISION");
}

TEST_F(CiOptionsTest, WithoutThemNothingChanges) {
  ASSERT_TRUE(analyse({"a.fdc"}));
  EXPECT_FALSE(options.xmlFile || options.jsonFile || options.digestFile || options.strict);
  EXPECT_TRUE(options.coverageThresholds.empty());
}

TEST_F(CiOptionsTest, BadGateValuesAreCommandLineErrors) {
  EXPECT_FALSE(analyse({"a.fdc", "-FAILUNDER=BLOCK:80,COND:x"}));
  EXPECT_EQ(printed, decoderMessage("Unknown value of option,", "COND:x"));
  EXPECT_FALSE(analyse({"a.fdc", "-FAILUNDER=CO:80"}));
  EXPECT_EQ(printed, decoderMessage("Ambiguous value of option,", "CO:80"));
  EXPECT_FALSE(analyse({"a.fdc", "-FAILUNDER=BLOCK:100.5"}));
  EXPECT_EQ(printed, decoderMessage("Arg value too large,", "BLOCK:100.5"));
  EXPECT_FALSE(analyse({"a.fdc", "-FAILUNDER"}));
  EXPECT_EQ(printed, decoderMessage("Mandatory argument for this option,", "FAILUNDER"));
  EXPECT_FALSE(analyse({"a.fdc", "-STRICT=1"}));
  EXPECT_EQ(printed, decoderMessage("No argument for this option,", "STRICT=1"));
  EXPECT_FALSE(analyse({"a.fdc", "-XML=a,b"}));
  EXPECT_EQ(printed, decoderMessage("List forbidden invalid option,", "XML=a,b"));
}

/// The state of every option after decoding one option word, or none when the
/// word is rejected.
std::optional<std::map<std::string, int>> statesAfter(CommandLineTables tables,
                                                      const std::string &word) {
  CommandLineDecoder decoder(std::move(tables));
  ArgumentVector args({"a.fdc", word});
  testing::internal::CaptureStderr();
  const int result = decoder.decodeCommandLine(args.argc(), args.argv());
  testing::internal::GetCapturedStderr();
  if (result != 0) return std::nullopt;
  std::map<std::string, int> states;
  for (const OptionDescriptor &option : decoder.tables().options)
    states[option.name] = option.state;
  return states;
}

/// An option with a value it accepts.
struct OlderOption {
  const char *name;
  const char *value;
};

/// For each older option, the shortest prefix that the table without `added`
/// accepted for it must decode the same with the whole table, and set none of the
/// added options.
void expectAbbreviationsKept(const std::vector<OlderOption> &older,
                             const std::set<std::string> &added) {
  CommandLineTables before = reportCommandLineTables();
  std::erase_if(before.options,
                [&](const OptionDescriptor &option) { return added.count(option.name) > 0; });
  ASSERT_EQ(before.options.size() + added.size(), reportCommandLineTables().options.size());

  for (const auto &option : older) {
    const std::string name = option.name;
    // The shortest prefix that the older table accepted for this option.
    std::string shortest;
    std::optional<std::map<std::string, int>> meaning;
    for (std::size_t length = 1; length <= name.size() && !meaning; ++length) {
      shortest = name.substr(0, length);
      meaning = statesAfter(before, "-" + shortest + option.value);
    }
    ASSERT_TRUE(meaning) << name;
    const auto now = statesAfter(reportCommandLineTables(), "-" + shortest + option.value);
    ASSERT_TRUE(now) << "-" << shortest << " (for " << name << ") is now rejected";
    for (const auto &[optionName, state] : *now) {
      if (added.count(optionName))
        EXPECT_EQ(state, 0) << "-" << shortest << " now sets " << optionName;
      else
        EXPECT_EQ(state, meaning->at(optionName)) << "-" << shortest << ": " << optionName;
    }
  }
}

// The options before the outputs for CI systems (and the negated forms).
const std::vector<OlderOption> kFirstOptions = {
    {"PROC", ""},      {"NOPROC", ""},     {"CALL", ""},       {"NOCALL", ""},
    {"BLOCK", ""},     {"NOBLOCK", ""},    {"COND", ""},       {"NOCOND", ""},
    {"OUTPUT", "=o"},  {"LISTING", ""},    {"GLOBAL", ""},     {"NOGLOBAL", ""},
    {"CLEAN", "=c"},   {"MERGETESTS", ""}, {"BRANCH", "=COV"}, {"SUMMARY", "=FILE"},
    {"FILE", "=f"},    {"EXFILE", "=f"},   {"SERVICE", "=s"},  {"EXSERVICE", "=s"},
    {"TEST", "=t"},    {"EXTEST", "=t"},   {"CIO", "=c"},      {"FLOW", "=f"},
    {"ITERATION", ""},
};

TEST_F(CiOptionsTest, EveryOlderAbbreviationStillDecodesTheSame) {
  expectAbbreviationsKept(kFirstOptions,
                          {"XML", "JSON", "DIGEST", "FAILUNDER", "STRICT", "HTML", "SOURCEMAP"});
}

TEST_F(CiOptionsTest, TheHtmlOptionTakesNoAbbreviationOfAnOlderOne) {
  std::vector<OlderOption> older = kFirstOptions;
  older.insert(
      older.end(),
      {{"XML", "=x"}, {"JSON", "=j"}, {"DIGEST", "=d"}, {"FAILUNDER", "=BLOCK:1"}, {"STRICT", ""}});
  expectAbbreviationsKept(older, {"HTML", "SOURCEMAP"});
}

TEST_F(CiOptionsTest, TheSourceMapTakesNoAbbreviationOfAnOlderOne) {
  std::vector<OlderOption> older = kFirstOptions;
  older.insert(older.end(), {{"XML", "=x"},
                             {"JSON", "=j"},
                             {"DIGEST", "=d"},
                             {"FAILUNDER", "=BLOCK:1"},
                             {"STRICT", ""},
                             {"HTML", "=h"}});
  expectAbbreviationsKept(older, {"SOURCEMAP"});
}

TEST_F(CiOptionsTest, TheChangeOptionsTakeNoAbbreviationOfAnOlderOne) {
  std::vector<OlderOption> older = kFirstOptions;
  older.insert(older.end(), {{"XML", "=x"},
                             {"JSON", "=j"},
                             {"DIGEST", "=d"},
                             {"FAILUNDER", "=BLOCK:1"},
                             {"STRICT", ""},
                             {"HTML", "=h"},
                             {"SOURCEMAP", "=/a,/b"}});
  expectAbbreviationsKept(older, {"CHANGES", "AFFECTED"});
  // Nor does the gate's new keyword take a type's abbreviation.
  for (const char *text : {"CA:1", "COND:1", "COMP:1", "A:1"})
    EXPECT_NE(parsed(text).type, nullptr) << text;
  EXPECT_EQ(parsed("CH:50").type, nullptr);
  EXPECT_STREQ(thresholdKeyword(parsed("changed:50")), "CHANGED");
}

TEST_F(CiOptionsTest, SourceMapPairsRepeatedLongestPrefixFirst) {
  ASSERT_TRUE(analyse({"a.fdc", "-SO=/home/dev,/w", "-sourcemap=/home/dev/calc,.",
                       "-SOURCEMAP=C:\\b\\x,src", "-SOURCEMAP=/opt/a\\,b,/x\\,y"}))
      << printed;
  EXPECT_EQ(printed, "");
  // The longest prefix wins, whatever the order of the pairs.
  EXPECT_EQ(mapSourcePath("/home/dev/calc/calc.c"), "./calc.c");
  EXPECT_EQ(mapSourcePath("/home/dev/calc"), ".");
  EXPECT_EQ(mapSourcePath("/home/dev/other/o.c"), "/w/other/o.c");
  // A prefix ends where a folder ends.
  EXPECT_EQ(mapSourcePath("/home/dev/calculator/c.c"), "/w/calculator/c.c");
  EXPECT_EQ(mapSourcePath("/home/developer/d.c"), "/home/developer/d.c");
  // Backslashes as separators; a backslash before a comma keeps the comma.
  EXPECT_EQ(mapSourcePath("C:\\b\\x\\y.c"), "src\\y.c");
  EXPECT_EQ(mapSourcePath("/opt/a,b/m.c"), "/x,y/m.c");
  EXPECT_EQ(mapSourcePath("relative/r.c"), "relative/r.c");
  // Prefixes and replacements with or without their final separator.
  ASSERT_TRUE(analyse({"a.fdc", "-SOURCEMAP=/b/,.", "-SOURCEMAP=/c,/d/", "-SOURCEMAP=/e/,/f/"}));
  EXPECT_EQ(mapSourcePath("/b/x.c"), "./x.c");
  EXPECT_EQ(mapSourcePath("/c/x.c"), "/d/x.c");
  EXPECT_EQ(mapSourcePath("/e/x.c"), "/f/x.c");
  EXPECT_EQ(mapSourcePath("/e/"), "/f/");

  // Each run starts with its own map.
  ASSERT_TRUE(analyse({"a.fdc"}));
  EXPECT_EQ(mapSourcePath("/home/dev/calc/calc.c"), "/home/dev/calc/calc.c");
}

TEST_F(CiOptionsTest, SourceMapNeedsPairsAndStaysOutOfTheUsageText) {
  EXPECT_FALSE(analyse({"a.fdc", "-SOURCEMAP=/home/dev"}));
  EXPECT_EQ(printed, decoderMessage("Unknown value of option,", "/home/dev"));
  // Each occurrence is one pair: three paths then one are not two pairs.
  EXPECT_FALSE(analyse({"a.fdc", "-SOURCEMAP=/a,/b", "-SOURCEMAP=/c,/d,/e", "-SOURCEMAP=/f"}));
  EXPECT_EQ(printed, decoderMessage("Unknown value of option,", "/c"));
  // An empty piece ends the list: the pair has no replacement.
  EXPECT_FALSE(analyse({"a.fdc", "-SOURCEMAP=/a,"}));
  EXPECT_EQ(printed, decoderMessage("Unknown value of option,", "/a"));
  EXPECT_FALSE(analyse({"a.fdc", "-SOURCEMAP"}));
  EXPECT_EQ(printed, decoderMessage("Mandatory argument for this option,", "SOURCEMAP"));
  EXPECT_EQ(std::string(kReportUsage).find("SOURCEMAP"), std::string::npos);
}

TEST_F(CiOptionsTest, HtmlDirectoryByAnyPrefixAndNotInTheUsageText) {
  ASSERT_TRUE(analyse({"a.fdc", "-H=site"})) << printed;
  EXPECT_EQ(options.htmlDirectory, std::optional<std::string>("site"));
  ASSERT_TRUE(analyse({"a.fdc", "-html=out/cov"})) << printed;
  EXPECT_EQ(options.htmlDirectory, std::optional<std::string>("out/cov"));
  EXPECT_FALSE(analyse({"a.fdc", "-HTML"}));
  EXPECT_EQ(printed, decoderMessage("Mandatory argument for this option,", "HTML"));
  EXPECT_EQ(std::string(kReportUsage).find("HTML"), std::string::npos);
  ASSERT_TRUE(analyse({"a.fdc"}));
  EXPECT_FALSE(options.htmlDirectory);
}

} // namespace
