// Text on a page: markup characters escaped, and every byte sequence a page must
// not hold (NUL, other controls, invalid UTF-8, noncharacters) shown as a
// replacement; line ends inside a text never end a line of the page.
#include <gtest/gtest.h>

#include <string>

#include "html/html_text.h"

namespace {

std::string escaped(const std::string &bytes) {
  const QByteArray out = escapedText(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
  return std::string(out.constData(), std::size_t(out.size()));
}

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(HtmlText, MarkupCharactersAreEscapedInAsciiAndInOtherText) {
  EXPECT_EQ(escaped("a</script>&\"b'"), "a&lt;/script&gt;&amp;&quot;b'");
  // The same text beside a non-ASCII character goes through the decoder.
  EXPECT_EQ(escaped("\xC3\xA9</script>&\"'"), "\xC3\xA9&lt;/script&gt;&amp;&quot;'");
  EXPECT_EQ(escaped("&amp;"), "&amp;amp;");
  EXPECT_EQ(escaped(""), "");
}

TEST(HtmlText, ValidUtf8TabAndFormFeedAreKept) {
  const std::string text = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\t\f";
  EXPECT_EQ(escaped(text), text);
}

TEST(HtmlText, ForbiddenCharactersBecomeTheReplacementCharacter) {
  EXPECT_EQ(escaped(std::string("a\0b", 3)), "a" + kReplacement + "b");
  EXPECT_EQ(escaped("\x01\x1F\x7F"), kReplacement + kReplacement + kReplacement);
  // C1 controls (U+0085) and noncharacters (U+FFFE, U+1FFFF) are not text.
  EXPECT_EQ(escaped("\xC2\x85"), kReplacement);
  EXPECT_EQ(escaped("\xEF\xBF\xBE"), kReplacement);
  EXPECT_EQ(escaped("\xF0\x9F\xBF\xBF"), kReplacement);
}

TEST(HtmlText, InvalidUtf8NeverReachesThePage) {
  for (const std::string &bytes :
       {std::string("\xFF"), std::string("x\xC3"), std::string("\xC0\xAF"),
        std::string("\xED\xA0\x80"), std::string("\xF4\x90\x80\x80"), std::string("\x80<\xBF")}) {
    const std::string out = escaped(bytes);
    EXPECT_NE(out.find(kReplacement), std::string::npos) << bytes;
    // What is written decodes back to itself: no invalid sequence is left.
    const QString decoded = QString::fromUtf8(out.data(), qsizetype(out.size()));
    EXPECT_EQ(decoded.toUtf8(), QByteArray(out.data(), qsizetype(out.size()))) << bytes;
    EXPECT_EQ(out.find('<'), std::string::npos);
  }
}

TEST(HtmlText, LineEndsInsideATextAreShownAsSymbols) {
  EXPECT_EQ(escaped("a\r\nb"), "a\xE2\x90\x8D\xE2\x90\x8A"
                               "b");
  EXPECT_EQ(displayText("\r"), QString(QChar(0x240D)));
}

} // namespace
