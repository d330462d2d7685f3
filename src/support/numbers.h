// Number readers of the FDC (decimal) and trace (reversed hexadecimal) formats.
// Every failure is fatal, with the file name as %1 of its message.
#pragma once

#include <QString>
#include <cstdint>

/// Decimal digits only, wrapping silently; an empty token is 0.
uint32_t ReadDecimal(const char *token, const QString &fileName);
/// As ReadDecimal, with the "time" wording for a missing token.
uint32_t ReadDecimalTime(const char *token, const QString &fileName);
/// Reversed hexadecimal: least significant digit first, at most 8 digits.
uint32_t ReadHex(const char *token, const QString &fileName);
/// As ReadHex, with the "time" wording and the short bad-digit message.
uint32_t ReadHexTime(const char *token, const QString &fileName);
/// Reversed hexadecimal text of a value (0 gives "0"), in a buffer that the next
/// call overwrites.
const char *FormatHex(uint32_t value);
