#include "html/html_text.h"

#include <QChar>

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kCarriageReturnSymbol = 0x240D;
constexpr char32_t kLineFeedSymbol = 0x240A;

/// What a page shows for a code point.
char32_t shownAs(char32_t c) {
  if (c == '\r') return kCarriageReturnSymbol;
  if (c == '\n') return kLineFeedSymbol;
  if (c == '\t' || c == '\f') return c;
  if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return kReplacement;
  if (QChar::isNonCharacter(c)) return kReplacement;
  return c;
}

/// Printable ASCII (and tab): the bytes are the text and need only escaping.
bool isPlainAscii(QByteArrayView bytes) {
  for (char byte : bytes) {
    const unsigned char c = static_cast<unsigned char>(byte);
    if ((c < 0x20 && c != '\t') || c >= 0x7F) return false;
  }
  return true;
}

void appendEscapedAscii(QByteArray &out, QByteArrayView bytes) {
  for (char c : bytes) {
    switch (c) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    default:
      out += c;
    }
  }
}

} // namespace

QString displayText(QByteArrayView bytes) {
  // The decoder replaces every invalid sequence (and encoded surrogates) by U+FFFD.
  const QString decoded = QString::fromUtf8(bytes);
  QString shown;
  shown.reserve(decoded.size());
  for (qsizetype i = 0; i < decoded.size(); ++i) {
    char32_t c = decoded[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < decoded.size() &&
        QChar::isLowSurrogate(decoded[i + 1].unicode())) {
      c = QChar::surrogateToUcs4(decoded[i].unicode(), decoded[i + 1].unicode());
      ++i;
    } else if (QChar::isSurrogate(c)) {
      c = kReplacement;
    }
    const char32_t shownChar = shownAs(c);
    if (QChar::requiresSurrogates(shownChar)) {
      shown += QChar(QChar::highSurrogate(shownChar));
      shown += QChar(QChar::lowSurrogate(shownChar));
    } else {
      shown += QChar(static_cast<char16_t>(shownChar));
    }
  }
  return shown;
}

QByteArray escapeHtml(const QString &text) {
  return text.toHtmlEscaped().toUtf8();
}

QByteArray escapedText(QByteArrayView bytes) {
  if (isPlainAscii(bytes)) {
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 8);
    appendEscapedAscii(out, bytes);
    return out;
  }
  return escapeHtml(displayText(bytes));
}

void writeEscaped(std::FILE *out, QByteArrayView bytes) {
  const QByteArray escaped = escapedText(bytes);
  std::fwrite(escaped.constData(), 1, static_cast<std::size_t>(escaped.size()), out);
}

void writeEscaped(std::FILE *out, const QString &text) {
  const QByteArray escaped = escapeHtml(text);
  std::fwrite(escaped.constData(), 1, static_cast<std::size_t>(escaped.size()), out);
}

void writeEscaped(std::FILE *out, const char *bytes) {
  writeEscaped(out, QByteArrayView(bytes ? bytes : ""));
}
