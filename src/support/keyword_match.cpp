#include "support/keyword_match.h"

#include "support/host_services.h"

KeywordMatch matchKeyword(std::string_view word, std::string_view keyword, AfterKeyword after) {
  if (word.empty() || keyword.empty()) return KeywordMatch::None;
  if (word.size() > keyword.size() && after == AfterKeyword::Nothing) return KeywordMatch::None;
  const std::size_t compared = word.size() < keyword.size() ? word.size() : keyword.size();
  for (std::size_t i = 0; i < compared; ++i)
    if (upperAsciiChar(word[i]) != upperAsciiChar(keyword[i])) return KeywordMatch::None;
  return compared == keyword.size() ? KeywordMatch::Whole : KeywordMatch::Prefix;
}
