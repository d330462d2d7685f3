// Words typed on the command line matched against keywords: ASCII letter case
// ignored, a keyword named whole or by a prefix that begins no other keyword.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

/// How a typed word names a keyword.
enum class KeywordMatch : uint8_t {
  None,   ///< it does not
  Prefix, ///< it is a shorter beginning of the keyword
  Whole,  ///< it is the keyword
};

/// What may follow a whole keyword in a word.
enum class AfterKeyword : uint8_t {
  Nothing,  ///< "PROCX" does not name PROC
  Anything, ///< "FILES" names FILE whole
};

/// How `word` names `keyword`, ASCII letter case ignored. An empty word or keyword
/// names nothing.
KeywordMatch matchKeyword(std::string_view word, std::string_view keyword,
                          AfterKeyword after = AfterKeyword::Nothing);

/// The keyword that a word names among several.
struct KeywordChoice {
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  /// Position of the keyword named; kNone when the word names none, or is
  /// ambiguous.
  std::size_t index = kNone;
  /// The word begins keywords of several owners and names none whole.
  bool ambiguous = false;
};

/// The keyword that `word` names among `count` keywords (`keywordOf(i)` the i-th,
/// as a text): the first it names whole wins at once; otherwise the word must
/// begin keywords of one owner only (`ownerOf(i)`: the spellings of one option
/// have one owner), and the first of them is chosen.
template <typename KeywordOf, typename OwnerOf>
KeywordChoice chooseKeyword(std::string_view word, std::size_t count, KeywordOf &&keywordOf,
                            OwnerOf &&ownerOf, AfterKeyword after = AfterKeyword::Nothing) {
  KeywordChoice choice;
  for (std::size_t i = 0; i < count; ++i) {
    const auto &keyword = keywordOf(i);
    const KeywordMatch match = matchKeyword(word, keyword, after);
    if (match == KeywordMatch::Whole) return KeywordChoice{i, false};
    if (match == KeywordMatch::None) continue;
    if (choice.index == KeywordChoice::kNone)
      choice.index = i;
    else if (ownerOf(choice.index) != ownerOf(i))
      choice.ambiguous = true;
  }
  if (choice.ambiguous) choice.index = KeywordChoice::kNone;
  return choice;
}

/// The same with each keyword its own owner.
template <typename KeywordOf>
KeywordChoice chooseKeyword(std::string_view word, std::size_t count, KeywordOf &&keywordOf,
                            AfterKeyword after = AfterKeyword::Nothing) {
  return chooseKeyword(
      word, count, keywordOf, [](std::size_t i) { return i; }, after);
}
