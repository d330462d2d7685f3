// Decimal numbers of FDC records and reversed hexadecimal numbers of trace lines.
#include "support/numbers.h"

#include "support/messages.h"

#include <array>

namespace {

/// Digit value of every byte: 0-15 for hexadecimal digits, -1 otherwise.
constexpr std::array<signed char, 256> kDigitValues = [] {
  std::array<signed char, 256> values{};
  for (signed char &value : values)
    value = -1;
  for (int c = '0'; c <= '9'; ++c)
    values[c] = static_cast<signed char>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) {
    values[c] = static_cast<signed char>(c - 'a' + 10);
    values[c - 'a' + 'A'] = static_cast<signed char>(c - 'a' + 10);
  }
  return values;
}();

constexpr const char *kFileNameComment = "%1 is the file name";

[[noreturn]] void fatalAssertion(const char *text, const QString &fileName) {
  reportFatal(tr("Assertion", text, kFileNameComment).arg(fileName));
}

uint32_t readDecimal(const char *token, const QString &fileName, const char *missingText) {
  if (!token) fatalAssertion(missingText, fileName);
  uint32_t value = 0;
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(token); *p; ++p) {
    const unsigned digit = static_cast<unsigned>(*p) - '0';
    if (digit > 9)
      fatalAssertion(QT_TRANSLATE_NOOP("Assertion", "Bad decimal number while reading file %1"),
                     fileName);
    value = value * 10u + digit;
  }
  return value;
}

enum class HexKind { Value, Time };

uint32_t readHex(const char *token, const QString &fileName, HexKind kind) {
  if (!token)
    fatalAssertion(
        kind == HexKind::Value
            ? QT_TRANSLATE_NOOP("Assertion", "Null pointer for value while reading file %1")
            : QT_TRANSLATE_NOOP("Assertion", "Null pointer for time while reading file %1"),
        fileName);
  uint32_t value = 0;
  unsigned shift = 0;
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(token); *p; ++p) {
    const int digit = kDigitValues[*p];
    if (digit < 0) {
      if (kind == HexKind::Time)
        fatalAssertion(
            QT_TRANSLATE_NOOP("Assertion", "Bad hexadecimal number while reading file %1"),
            fileName);
      reportFatal(
          tr("Fatal Error",
             "Bad hexadecimal number while reading file %1: %2\nDescription:\n The "
             "instrumentation ID numbers are dumped as hexadecimal numbers in the TIO file.\n "
             "This message indicates that the zeltocov program was expecting to read a "
             "hexadecimal number but found characters outside the 0-9a-f range of the "
             "hexadecimal number.\n Usually a sign of a corrupted TIO file.",
             "%1 is the file name and %2 the input causing the error")
              .arg(fileName, QString::fromLocal8Bit(token)));
    }
    if (shift > 28) {
      reportError(tr("User Error", "Number overflow while reading file %1", "%1 is the file name")
                      .arg(fileName));
      reportFatal(tr("Fatal Error", "Maybe this Coverage Trace file has been generated using an "
                                    "older version of the Target Deployment Port"));
    }
    value += static_cast<uint32_t>(digit) << shift;
    shift += 4;
  }
  return value;
}

} // namespace

uint32_t ReadDecimal(const char *token, const QString &fileName) {
  return readDecimal(
      token, fileName,
      QT_TRANSLATE_NOOP("Assertion", "Null pointer for value while reading file %1"));
}

uint32_t ReadDecimalTime(const char *token, const QString &fileName) {
  return readDecimal(token, fileName,
                     QT_TRANSLATE_NOOP("Assertion", "Null pointer for time while reading file %1"));
}

uint32_t ReadHex(const char *token, const QString &fileName) {
  return readHex(token, fileName, HexKind::Value);
}

uint32_t ReadHexTime(const char *token, const QString &fileName) {
  return readHex(token, fileName, HexKind::Time);
}

const char *FormatHex(uint32_t value) {
  // Eight digits at most, and the terminator.
  static char text[9];
  int length = 0;
  do {
    text[length++] = "0123456789abcdef"[value % 16];
    value /= 16;
  } while (value != 0);
  text[length] = '\0';
  return text;
}
