// Compositions: vector texts, expression evaluation, independence pairs and
// labels, and the faults of malformed CC records.
#include "fdc_test_helpers.h"

#include "model/compositions.h"
#include "model/modified_conditions.h"

namespace {

std::vector<std::string> vectorTexts(const Service &service, const Composition &composition) {
  std::vector<std::string> texts;
  for (uint32_t i = 0; i < composition.caseCount; ++i)
    texts.push_back(*service.conditions[composition.firstVector + i].text);
  return texts;
}

const std::string kTwoConditions =
    header() + "PR 0 proc \"f\" 1 9\nCE 0 \"f\" \"(a)\" 2 3\nCE 2 \"f\" \"(b)\" 4 5\n";

TEST(ConditionIdIndex, KeepsTheFirstEntryOfEachIdThroughGrowth) {
  // IDs that collide in a small table (multiples of its size), the extremes, and
  // enough of them to grow the table several times; a later entry of an ID does
  // not replace the first.
  ConditionIdIndex ids;
  EXPECT_EQ(ids.find(0), -1);
  std::vector<uint32_t> added;
  for (uint32_t i = 0; i < 300; ++i)
    added.push_back(i % 3 == 0 ? i * 1024 : i % 3 == 1 ? UINT32_MAX - i : i);
  for (uint32_t i = 0; i < added.size(); ++i) {
    ids.add(added[i], i);
    ids.add(added[i], i + 1000);
    EXPECT_EQ(ids.find(added[i]), i);
  }
  for (uint32_t i = 0; i < added.size(); ++i)
    EXPECT_EQ(ids.find(added[i]), i) << added[i];
  EXPECT_EQ(ids.find(1), -1);
  EXPECT_EQ(ids.find(5 * 1024 + 1), -1);
}

TEST(CalculVector, EvaluatesPrefixExpressions) {
  // A.. is the first AND the second condition.
  EXPECT_EQ(CalculVector("A..", 0), 'F');
  EXPECT_EQ(CalculVector("A..", 1), 'F');
  EXPECT_EQ(CalculVector("a..", 2), 'F');
  EXPECT_EQ(CalculVector("A..", 3), 'T');
  // O.N.: the second condition False and negated.
  EXPECT_EQ(CalculVector("O.N.", 0), 'T');
  EXPECT_EQ(CalculVector("O.N.", 2), 'F');
  EXPECT_EQ(CalculVector("o.N.", 3), 'T');
  // X..: exactly one.
  const char expected[] = {'F', 'T', 'T', 'F'};
  for (uint32_t v = 0; v < 4; ++v)
    EXPECT_EQ(CalculVector("X..", v), expected[v]) << v;
  // Nested operands: (a or b) and not c; the third '.' is always condition 3.
  EXPECT_EQ(CalculVector("AO..N.", 0b001), 'T');
  EXPECT_EQ(CalculVector("AO..N.", 0b101), 'F');
  EXPECT_EQ(CalculVector("AO..N.", 0b100), 'F');
  EXPECT_EQ(CalculVector("NN.", 1), 'T');
  // Conditions beyond the 32 bits of the vector read as False.
  EXPECT_EQ(CalculVector(std::string(33, 'O') + std::string(34, '.'), 0), 'F');
}

TEST(CalculVector, StopsAfterOneExpression) {
  // What follows a complete expression is never read; an expression that ends
  // before its operands gives no outcome.
  EXPECT_EQ(CalculVector("A..Z", 3), 'T');
  EXPECT_EQ(CalculVector(".?", 1), 'T');
  EXPECT_EQ(CalculVector("A.", 1), 0);
  EXPECT_EQ(CalculVector("N", 1), 0);
  EXPECT_EQ(CalculVector("", 1), 0);
}

TEST(CalculVector, DeepExpressionsDoNotExhaustTheStack) {
  const std::string deep = std::string(1000000, 'N') + ".";
  EXPECT_EQ(CalculVector(deep, 1), 'T');
}

TEST(IsIndependencePair, DiffersInOneKnownConditionOnly) {
  EXPECT_TRUE(IsIndependencePair("TX", "FT", 0, 2));
  EXPECT_TRUE(IsIndependencePair("TX", "FF", 0, 2));
  EXPECT_FALSE(IsIndependencePair("TX", "FT", 1, 2));   // X at the condition itself
  EXPECT_FALSE(IsIndependencePair("TT", "TT", 0, 2));   // no difference there
  EXPECT_FALSE(IsIndependencePair("TTF", "FFF", 0, 3)); // another known difference
  EXPECT_TRUE(IsIndependencePair("TXF", "FTX", 0, 3));
}

TEST_F(FdcTest, ExpressionFormVectorsPairsAndLabels) {
  load("a.fdc", kTwoConditions + "CC 4 2 0 2 4 A..\nDC 1\n");
  SourceFile &file = *model.files()[0];
  Service &f = *file.services[0];
  ASSERT_EQ(f.compositions.size(), 1u);
  const Composition &c = f.compositions[0];
  EXPECT_EQ(c.firstVector, 4u);
  EXPECT_EQ(c.frontier, 0xFFFFFFFFu);
  EXPECT_EQ(c.outcomes, "FFFT");
  EXPECT_EQ(vectorTexts(f, c), (std::vector<std::string>{"FF=F", "TF=F", "FT=F", "TT=T"}));
  for (uint32_t i = 0; i < 4; ++i) {
    const ConditionEntry &vector = f.conditions[4 + i];
    EXPECT_EQ(vector.kind, CondCompoundVector);
    EXPECT_EQ(vector.branch.id, 4 + i);
    EXPECT_EQ(vector.branch.firstLine, 2u); // first line of the first condition
    EXPECT_EQ(vector.branch.lastLine, 5u);  // last line of the last condition
  }
  ASSERT_EQ(c.items.size(), 2u);
  EXPECT_EQ(c.items[0].condition, 0u);
  EXPECT_EQ(c.items[0].label, "#1 (FT=F/TT=T)");
  ASSERT_EQ(c.items[0].pairs.size(), 1u);
  EXPECT_EQ(c.items[0].pairs[0].first, 6u);
  EXPECT_EQ(c.items[0].pairs[0].second, 7u);
  EXPECT_EQ(c.items[1].condition, 2u);
  EXPECT_EQ(c.items[1].label, "#2 (TF=F/TT=T)");
  EXPECT_EQ(f.staticCounts[CntModifiedConditions], 2u);
  EXPECT_EQ(f.staticCounts[CntCompoundConditions], 4u);
  EXPECT_EQ(f.staticCounts[CntBasicConditions], 4u);
  EXPECT_EQ(file.conditionBranchCount, 8u);
  // The vectors are condition branches of the file like any other.
  EXPECT_EQ(hits.findBranch(file, KindCondition, 7).type, CovCompoundConditions);
}

TEST_F(FdcTest, ExclusiveOrPairsEveryCase) {
  load("a.fdc", kTwoConditions + "CC 10 2 0 2 4 X..\nDC 1\n");
  const Service &f = *model.files()[0]->services[0];
  const Composition &c = f.compositions[0];
  EXPECT_EQ(c.outcomes, "FTTF");
  EXPECT_EQ(c.items[0].label, "#1 (FF=F/TF=T), (FT=T/TT=F)");
  EXPECT_EQ(c.items[1].label, "#2 (FF=F/FT=T), (TF=T/TT=F)");
}

TEST_F(FdcTest, CasesFormPairsTrueRowsWithFalseRows) {
  load("a.fdc", kTwoConditions + "CC 4 2 0 2 3 TXFTFF 1\nDC 1\n");
  SourceFile &file = *model.files()[0];
  const Service &f = *file.services[0];
  const Composition &c = f.compositions[0];
  EXPECT_EQ(c.frontier, 1u);
  EXPECT_TRUE(c.outcomes.empty());
  EXPECT_EQ(vectorTexts(f, c), (std::vector<std::string>{"TX=T", "FT=F", "FF=F"}));
  ASSERT_EQ(c.items[0].pairs.size(), 2u);
  EXPECT_EQ(c.items[0].label, "#1 (TX=T/FT=F), (TX=T/FF=F)");
  EXPECT_EQ(c.items[0].pairs[1].second, 6u);
  EXPECT_TRUE(c.items[1].pairs.empty());
  EXPECT_TRUE(c.items[1].label.empty());
  EXPECT_EQ(f.staticCounts[CntCompoundConditions], 3u);
  EXPECT_EQ(file.conditionBranchCount, 7u);
}

TEST_F(FdcTest, CompositionBelongsToTheServiceOfThePreviousRecord) {
  load("a.fdc", header() + "CE 0 \"f\" \"(a)\" 1 1\nCE 0 \"g\" \"(b)\" 2 2\n"
                           "CC 2 1 0 2 .\nDC 1\n");
  const SourceFile &file = *model.files()[0];
  EXPECT_TRUE(file.services[0]->compositions.empty());
  ASSERT_EQ(file.services[1]->compositions.size(), 1u);
  EXPECT_EQ(file.services[1]->compositions[0].items[0].label, "#1 (F=F/T=T)");
}

TEST_F(FdcTest, ManyCasesAnnounceTheWait) {
  auto cases = [](int m) {
    return kTwoConditions + "CC 4 1 0 " + std::to_string(m) + " T" + std::string(m - 1, 'F') +
           " 1\nDC " + std::to_string(m) + "\n";
  };
  testing::internal::CaptureStderr();
  load("a.fdc", cases(1000));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  testing::internal::CaptureStderr();
  load("b.fdc", cases(1001));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            infoFrame("Computing modified conditions from 1001compound conditions, it can take a "
                      "few minutes ..."));
  const Composition &c = model.files()[1]->services[0]->compositions[0];
  EXPECT_EQ(c.items[0].pairs.size(), 1000u);
}

struct CompositionErrorCase {
  /// Test name.
  const char *name;
  /// Records after the two conditions, before the DC line.
  std::string records;
  /// The message, with @ standing for the FDC file's path.
  std::string message;
};

class CompositionErrorTest : public FdcTest,
                             public ::testing::WithParamInterface<CompositionErrorCase> {};

TEST_P(CompositionErrorTest, EndsTheRunWithItsMessage) {
  const CompositionErrorCase &c = GetParam();
  const std::string content = c.name == std::string("BeforeAnyService")
                                  ? header() + c.records + "DC 1\n"
                                  : kTwoConditions + c.records + "DC 1\n";
  const std::string path = dir.write("bad.fdc", content);
  std::string message = c.message;
  message.replace(message.find('@'), 1, path);
  EXPECT_EXIT(LoadFdcFile(path, 0, otherFiles, model), ::testing::ExitedWithCode(7),
              exactly(fatalFrame(message)));
}

const std::string kBadCases = "Bad cases or expression in a composition in file @";
std::string zeros(int count) {
  std::string text;
  for (int i = 0; i < count; ++i)
    text += " 0";
  return text;
}
const std::string kZeros32 = zeros(32);

INSTANTIATE_TEST_SUITE_P(
    Fdc, CompositionErrorTest,
    ::testing::Values(
        CompositionErrorCase{"NoCondition", "CC 4 0 4 A..\n",
                             "Bad number of basic condition in a composition in file @"},
        CompositionErrorCase{"NegativeConditionCount", "CC 4 40000 4 A..\n",
                             "Bad number of basic condition in a composition in file @"},
        CompositionErrorCase{"NoCase", "CC 4 2 0 2 0 A..\n",
                             "Bad number of cases in a composition in file @"},
        CompositionErrorCase{"NoCaseText", "CC 4 2 0 2 4\n", kBadCases},
        CompositionErrorCase{"RowsTooShort", "CC 4 2 0 2 3 TXFTF 1\n", kBadCases},
        CompositionErrorCase{"RowsTooLong", "CC 4 2 0 2 3 TXFTFFT 1\n", kBadCases},
        CompositionErrorCase{"CasesNotAPowerOfTwo", "CC 4 2 0 2 5 A..\n", kBadCases},
        CompositionErrorCase{"TooFewCases", "CC 4 2 0 2 2 A..\n", kBadCases},
        CompositionErrorCase{"TooManyConditions", "CC 4 32" + kZeros32 + " 1 .\n", kBadCases},
        CompositionErrorCase{"ShortExpression", "CC 4 2 0 2 4 A.\n", kBadCases},
        CompositionErrorCase{"ReservedFrontier", "CC 4 2 0 2 3 TXFTFF 4294967295\n",
                             "Bad frontier for a composition in file @"},
        CompositionErrorCase{"FrontierBeyondTheCases", "CC 4 2 0 2 3 TXFTFF 4\n",
                             "Bad frontier for a composition in file @"},
        CompositionErrorCase{"FirstConditionElsewhere",
                             "CE 8 \"g\" \"(c)\" 1 1\nCC 4 2 0 2 4 A..\n",
                             "Bad composition in file @"},
        CompositionErrorCase{"LastConditionUnknown", "CC 4 2 0 9 4 A..\n",
                             "Bad composition in file @"},
        CompositionErrorCase{"BeforeAnyService", "CC 4 1 0 2 .\nCE 0 \"f\" \"(a)\" 1 1\n",
                             "Bad composition in file @"},
        // Malformed input is a format error naming the file, never an internal one.
        CompositionErrorCase{"UnknownMiddleCondition",
                             "CE 4 \"f\" \"(c)\" 6 6\nCC 6 3 0 99 4 8 AA...\n",
                             "Bad composition in file @"},
        CompositionErrorCase{"ForeignExpressionCharacter", "CC 4 2 0 2 4 A.,\n", kBadCases},
        // 2^21 vectors from a few bytes: refused.
        CompositionErrorCase{"ExpressionOverTwentyConditions",
                             "CC 4 21" + zeros(21) + " 2097152 " + std::string(20, 'A') +
                                 std::string(21, '.') + "\n",
                             kBadCases}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FdcTest, LongCasesRecordsKeepABoundedLabel) {
  // One condition, 3000 True rows and 3000 False rows: 9 million pairs, of which
  // the label keeps the first ones and says it was cut.
  std::string rows = std::string(3000, 'T') + std::string(3000, 'F');
  load("long.fdc", kTwoConditions + "CC 100 1 0 6000 " + rows + " 3000\nDC 1\n");
  ASSERT_EQ(model.files().size(), 1u);
  const Composition &composition = model.files()[0]->services[0]->compositions.back();
  ASSERT_EQ(composition.items.size(), 1u);
  EXPECT_EQ(composition.items[0].pairs.size(), kMaxPairsPerCondition);
  const std::string &label = composition.items[0].label;
  EXPECT_EQ(label.substr(label.size() - 5), ", ...");
  EXPECT_EQ(label.substr(0, 14), "#1 (T=T/F=F), ") << label.substr(0, 40);
}

} // namespace
