// Decoding against the program's own tables: option names, values, lists, errors.
#include "driver_test_support.h"

namespace {

class DecoderTest : public DriverTest {
protected:
  CommandLineDecoder decoder{reportCommandLineTables()};

  std::vector<std::string> values(const char *option) {
    std::vector<std::string> result;
    const int position = decoder.optionState(option);
    for (int n = 1; const char *value = decoder.optionValue(position, n); ++n)
      result.push_back(value);
    return result;
  }
  std::vector<std::string> files() {
    std::vector<std::string> result;
    for (int n = 1; const char *value = decoder.argumentValue(1, n); ++n)
      result.push_back(value);
    return result;
  }
  /// Decodes a command line expected to fail, and checks the message.
  void expectError(std::vector<std::string> words, const std::string &error,
                   const std::string &element) {
    EXPECT_EQ(decode(decoder, std::move(words)), -1);
    EXPECT_EQ(printed, decoderMessage(error, element));
  }
};

TEST_F(DecoderTest, OptionNamesMatchInAnyCaseAndAbbreviated) {
  ASSERT_EQ(decode(decoder, {"a.fdc", "-out=r1", "-Merge", "-iter"}), 0);
  EXPECT_EQ(printed, "");
  EXPECT_EQ(decoder.optionState("OUTPUT"), 8);
  EXPECT_EQ(values("OUTPUT"), std::vector<std::string>{"r1"});
  EXPECT_EQ(decoder.optionState("MERGETESTS"), 12);
  EXPECT_EQ(decoder.optionState("ITERATION"), 23);
  EXPECT_EQ(decoder.optionState("CIO"), 0);
  EXPECT_EQ(files(), std::vector<std::string>{"a.fdc"});
}

TEST_F(DecoderTest, ExactNameWinsOverLongerNamesItAbbreviates) {
  // CIO is exact although C alone abbreviates CALL, COND, CLEAN and CIO.
  ASSERT_EQ(decode(decoder, {"a", "-cio=x.cio", "-FILE=f"}), 0);
  EXPECT_EQ(values("CIO"), std::vector<std::string>{"x.cio"});
  // FILE is exact although it does not abbreviate anything else: FLOW stays absent.
  EXPECT_EQ(values("FILE"), std::vector<std::string>{"f"});
  EXPECT_EQ(decoder.optionState("FLOW"), 0);
}

TEST_F(DecoderTest, NegatedFormsAndDefaults) {
  ASSERT_EQ(decode(decoder, {"a", "-NOCALL", "-noglobal"}), 0);
  EXPECT_EQ(decoder.optionState("CALL"), -3);
  EXPECT_EQ(decoder.optionState("GLOBAL"), -10);

  CommandLineDecoder other{reportCommandLineTables()};
  ASSERT_EQ(decode(other, {"a"}), 0);
  // Absent: CALL counts as negated, GLOBAL as given, the others as absent.
  EXPECT_EQ(other.optionState("CALL"), -3);
  EXPECT_EQ(other.optionState("GLOBAL"), 10);
  EXPECT_EQ(other.optionState("PROC"), 0);
  EXPECT_EQ(other.optionState("NOPROC"), 0);
}

TEST_F(DecoderTest, UnknownAndAmbiguousOptions) {
  expectError({"a", "-OUTPUTX=r.txt"}, "Unknown option,", "OUTPUTX=r.txt");
  CommandLineDecoder d2{reportCommandLineTables()};
  EXPECT_EQ(decode(d2, {"a", "-EX=x"}), -1);
  EXPECT_EQ(printed, decoderMessage("Ambiguous option,", "EX=x"));
  CommandLineDecoder d3{reportCommandLineTables()};
  // Negated CALL and NOCOND share the abbreviation NOC.
  EXPECT_EQ(decode(d3, {"a", "-NOC"}), -1);
  EXPECT_EQ(printed, decoderMessage("Ambiguous option,", "NOC"));
  CommandLineDecoder d4{reportCommandLineTables()};
  EXPECT_EQ(decode(d4, {"a", "-"}), -1);
  EXPECT_EQ(printed, decoderMessage("Unknown option,", ""));
}

TEST_F(DecoderTest, RepetitionsOfSingleOptionsAreRefusedListsAccumulate) {
  expectError({"a", "-CALL", "-NOCALL"}, "An option can't be used twice,", "NOCALL");
  CommandLineDecoder lists{reportCommandLineTables()};
  ASSERT_EQ(decode(lists, {"a", "-FILE=a", "-fi=b,c", "b"}), 0);
  const int position = lists.optionState("FILE");
  EXPECT_STREQ(lists.optionValue(position, 1), "a");
  EXPECT_STREQ(lists.optionValue(position, 3), "c");
  EXPECT_EQ(lists.optionValue(position, 4), nullptr);
  EXPECT_STREQ(lists.argumentValue(1, 2), "b");
}

TEST_F(DecoderTest, ValuePresenceErrors) {
  expectError({"a", "-OUTPUT"}, "Mandatory argument for this option,", "OUTPUT");
  CommandLineDecoder d2{reportCommandLineTables()};
  EXPECT_EQ(decode(d2, {"a", "-OUTPUT="}), -1);
  EXPECT_EQ(printed, decoderMessage("Mandatory argument for this option,", "OUTPUT="));
  CommandLineDecoder d3{reportCommandLineTables()};
  EXPECT_EQ(decode(d3, {"a", "-CALL=1"}), -1);
  EXPECT_EQ(printed, decoderMessage("No argument for this option,", "CALL=1"));
  CommandLineDecoder d4{reportCommandLineTables()};
  EXPECT_EQ(decode(d4, {"a", "-OUTPUT=a,b"}), -1);
  EXPECT_EQ(printed, decoderMessage("List forbidden invalid option,", "OUTPUT=a,b"));
}

TEST_F(DecoderTest, KeywordValuesAreMatchedAndCanonicalised) {
  ASSERT_EQ(decode(decoder, {"a", "-BLOCK=dec", "-SUMMARY=FILES", "-BRANCH=n", "-PROC=r"}), 0);
  EXPECT_EQ(values("BLOCK"), std::vector<std::string>{"DECISION"});
  EXPECT_EQ(values("SUMMARY"), std::vector<std::string>{"FILE"});
  EXPECT_EQ(values("BRANCH"), std::vector<std::string>{"NOCOV"});
  EXPECT_EQ(values("PROC"), std::vector<std::string>{"RET"});

  CommandLineDecoder d2{reportCommandLineTables()};
  EXPECT_EQ(decode(d2, {"a", "-SUMMARY=X"}), -1);
  EXPECT_EQ(printed, decoderMessage("Unknown value of option,", "X"));
  // C abbreviates CONCLUSION only; COV and NOCOV are told apart by their first letter.
  CommandLineDecoder d3{reportCommandLineTables()};
  EXPECT_EQ(decode(d3, {"a", "-SUMMARY=c", "-BRANCH=c"}), 0);
  EXPECT_EQ(d3.optionValue(d3.optionState("SUMMARY"), 1), std::string("CONCLUSION"));
}

TEST(KeywordMatchingTest, EqualAbbreviationsAreAmbiguousUnlessAKeywordIsWhole) {
  setMessageIdentity(QStringLiteral("Corvane Velmora"), QStringLiteral("zeltocov"));
  CommandLineTables tables;
  OptionDescriptor option;
  option.name = "MODE";
  option.value = ValueDescriptor{"mode", 'C', true, 1, 10, false, {}};
  option.keywords = {{"FAST", false}, {"FASTER", false}, {"FAT", false}};
  tables.options.push_back(option);
  tables.arguments.push_back(ValueDescriptor{"file", 'C', true, 1, 10, true, {}});
  tables.usage = "\nUsage:\n";

  CommandLineDecoder decoder(tables);
  ArgumentVector ambiguous({"-MODE=FA"});
  testing::internal::CaptureStderr();
  EXPECT_EQ(decoder.decodeCommandLine(ambiguous.argc(), ambiguous.argv()), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Corvane(R) Corvane Velmora Command analysis : Ambiguous value of option, FA"
            "\nUsage:\n\n");

  // FASTE abbreviates FASTER, but FAST is consumed whole first and wins.
  CommandLineDecoder whole(tables);
  ArgumentVector args({"-MODE=faste,fas"});
  testing::internal::CaptureStderr();
  EXPECT_EQ(whole.decodeCommandLine(args.argc(), args.argv()), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Corvane(R) Corvane Velmora Command analysis : Ambiguous value of option, fas"
            "\nUsage:\n\n");
  EXPECT_STREQ(whole.optionValue(1, 1), "FAST");
}

TEST_F(DecoderTest, ListsSplitAtUnescapedCommasAndStopAtAnEmptyPiece) {
  ASSERT_EQ(decode(decoder, {"a\\,b", "-FILE=a,,b", "-TEST=x\\,y,z"}), 0);
  EXPECT_EQ(files(), std::vector<std::string>{"a,b"});
  EXPECT_EQ(values("FILE"), std::vector<std::string>{"a"});
  EXPECT_EQ(values("TEST"), (std::vector<std::string>{"x,y", "z"}));
  // An escaped comma does not make a list for a single-valued option.
  CommandLineDecoder d2{reportCommandLineTables()};
  ASSERT_EQ(decode(d2, {"a", "-OUTPUT=r\\,1"}), 0);
  EXPECT_STREQ(d2.optionValue(d2.optionState("OUTPUT"), 1), "r,1");

  EXPECT_EQ(splitValueList(""), std::vector<std::string>{});
  EXPECT_EQ(splitValueList(",a"), std::vector<std::string>{});
  EXPECT_EQ(splitValueList("a,b,"), (std::vector<std::string>{"a", "b"}));
}

TEST_F(DecoderTest, LengthBoundsAreCheckedBeforeEscapesAreRemoved) {
  expectError({"a", "-OUTPUT=" + std::string(1025, 'o')}, "Arg length too large,",
              std::string(1025, 'o'));
  CommandLineDecoder d2{reportCommandLineTables()};
  ASSERT_EQ(decode(d2, {"a", "-OUTPUT=" + std::string(1024, 'o')}), 0);
  CommandLineDecoder d3{reportCommandLineTables()};
  // 1023 characters and an escape are 1025 characters as typed.
  const std::string escaped = std::string(1023, 'o') + "\\,";
  EXPECT_EQ(decode(d3, {"a", "-OUTPUT=" + escaped}), -1);
  EXPECT_EQ(printed, decoderMessage("Arg length too large,", escaped));
}

TEST_F(DecoderTest, MissingPositionalArgumentAndExclusivePairs) {
  expectError({"-CALL"}, "Argument missing,", "file");
  CommandLineDecoder d2{reportCommandLineTables()};
  EXPECT_EQ(decode(d2, {"a", "-NOBLOCK", "-PROC", "-NOPROC", "-BLOCK"}), -1);
  // The pairs are tested in table order, not command-line order.
  EXPECT_EQ(printed, decoderMessage("Illegal combination of command elements,", "PROC and NOPROC"));
  CommandLineDecoder d3{reportCommandLineTables()};
  EXPECT_EQ(decode(d3, {"a", "-EXFILE=b", "-FILE=a"}), -1);
  EXPECT_EQ(printed, decoderMessage("Illegal combination of command elements,", "FILE and EXFILE"));
}

TEST(DecoderTablesTest, PositionalWordsFillDescriptorsInOrderThenTheLast) {
  setMessageIdentity(QStringLiteral("Corvane Velmora"), QStringLiteral("zeltocov"));
  CommandLineTables tables;
  tables.arguments = {ValueDescriptor{"source", 'C', false, 1, 10, false, {}},
                      ValueDescriptor{"count", 'I', false, 1, 5, true, {}}};
  tables.usage = "\nU\n\t[-XTRA]\n\t[-X]\n";
  CommandLineDecoder decoder(tables);
  ArgumentVector ok({"s", "3"});
  ASSERT_EQ(decoder.decodeCommandLine(ok.argc(), ok.argv()), 0);
  EXPECT_STREQ(decoder.argumentValue(2, 1), "3");

  const std::string prefix = "Corvane(R) Corvane Velmora Command analysis : ";
  const std::string usage = "\nU\n\t[-X]\n\n"; // the [-XT line is not shown
  struct Case {
    std::vector<std::string> words;
    std::string message;
  } cases[] = {
      {{"s", "3", "4"}, "Too many arguments invalid argument, 4"},
      {{"s,t"}, "List forbidden invalid argument, s,t"},
      {{"s", "9"}, "Arg value too large, 9"},
      {{"s", "0"}, "Arg value too small, 0"},
      {{"s", "x"}, "Unknown value of option, x"},
      {{"-Q"}, "Unknown option, Q"},
  };
  for (const Case &c : cases) {
    CommandLineDecoder fresh(tables);
    ArgumentVector args(c.words);
    testing::internal::CaptureStderr();
    EXPECT_EQ(fresh.decodeCommandLine(args.argc(), args.argv()), -1) << c.message;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), prefix + c.message + usage);
  }
}

TEST_F(DecoderTest, StateQueriesWithUnknownNamesAreReported) {
  ASSERT_EQ(decode(decoder, {"a", "-CALL"}), 0);
  testing::internal::CaptureStderr();
  // The canonical names are compared exactly.
  EXPECT_EQ(decoder.optionState("call"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Corvane(R) Corvane Velmora Command analysis : Internal error, bad option name "
            "call\n");
  EXPECT_EQ(decoder.optionState("CALL"), 3);
  decoder.releaseDecoder();
  EXPECT_EQ(decoder.argumentValue(1, 1), nullptr);
}

} // namespace
