// Typed words matched against keywords, whole or by an unambiguous prefix, in any
// ASCII letter case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/keyword_match.h"

namespace {

TEST(KeywordMatch, WholePrefixOrNothingInAnyLetterCase) {
  EXPECT_EQ(matchKeyword("proc", "PROC"), KeywordMatch::Whole);
  EXPECT_EQ(matchKeyword("Pr", "PROC"), KeywordMatch::Prefix);
  EXPECT_EQ(matchKeyword("PROCX", "PROC"), KeywordMatch::None);
  EXPECT_EQ(matchKeyword("PRX", "PROC"), KeywordMatch::None);
  EXPECT_EQ(matchKeyword("", "PROC"), KeywordMatch::None);
  EXPECT_EQ(matchKeyword("P", ""), KeywordMatch::None);
  // Only ASCII letters change case; other bytes are compared as they are.
  EXPECT_EQ(matchKeyword("a-b", "A-B"), KeywordMatch::Whole);
  EXPECT_EQ(matchKeyword("\xe9", "\xc9"), KeywordMatch::None);
  // Text after a whole keyword, where it may follow.
  EXPECT_EQ(matchKeyword("files", "FILE", AfterKeyword::Anything), KeywordMatch::Whole);
  EXPECT_EQ(matchKeyword("fil", "FILE", AfterKeyword::Anything), KeywordMatch::Prefix);
  EXPECT_EQ(matchKeyword("fax", "FILE", AfterKeyword::Anything), KeywordMatch::None);
}

TEST(KeywordMatch, ChoiceByWholeKeywordOrUnambiguousPrefix) {
  const std::vector<std::string> keywords = {"CALL", "COND", "CIO", "COMPOUND", "CO"};
  auto choose = [&keywords](const char *word) {
    return chooseKeyword(word, keywords.size(), [&](std::size_t i) { return keywords[i]; });
  };
  EXPECT_EQ(choose("ca").index, 0u);
  EXPECT_EQ(choose("COMP").index, 3u);
  // CO is a keyword of its own although it begins COND and COMPOUND.
  EXPECT_EQ(choose("co").index, 4u);
  EXPECT_EQ(choose("c").index, KeywordChoice::kNone);
  EXPECT_TRUE(choose("c").ambiguous);
  EXPECT_EQ(choose("x").index, KeywordChoice::kNone);
  EXPECT_FALSE(choose("x").ambiguous);
  EXPECT_FALSE(choose("").ambiguous);
}

TEST(KeywordMatch, SpellingsOfOneOwnerAreNotAmbiguous) {
  // Two spellings of each owner, as an option and its negation.
  auto choose = [](const std::vector<std::string> &spellings, const char *word) {
    return chooseKeyword(
        word, spellings.size(), [&](std::size_t i) { return spellings[i]; },
        [](std::size_t i) { return i / 2; });
  };
  const std::vector<std::string> note = {"NOTE", "NONOTE", "CALL", "NOCALL"};
  const std::vector<std::string> notes = {"NOTE", "NONOTE", "CALL", ""};
  // NO begins both spellings of NOTE: the first of them, unless it begins the
  // spelling of another owner too.
  EXPECT_EQ(choose(notes, "no").index, 0u);
  EXPECT_FALSE(choose(notes, "no").ambiguous);
  EXPECT_TRUE(choose(note, "NO").ambiguous);
  EXPECT_EQ(choose(note, "NON").index, 1u);
  EXPECT_EQ(choose(note, "nocal").index, 3u);
  // An empty spelling (an option that cannot be negated) names nothing.
  EXPECT_EQ(choose(notes, "").index, KeywordChoice::kNone);
}

} // namespace
