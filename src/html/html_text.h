// Text on a page: the bytes of sources and names (whatever their encoding) shown
// as UTF-8 text, with every character that would be markup escaped and every
// character that a page must not hold replaced by a visible one.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdio>

/// The text that bytes show: decoded as UTF-8, each invalid sequence replaced by
/// U+FFFD; NUL, the control characters a page must not hold (C0 controls other
/// than tab and form feed, DEL, C1 controls) and noncharacters replaced by U+FFFD;
/// a carriage return shown as U+240D and a line feed as U+240A, so that a text
/// never ends a line of its own.
QString displayText(QByteArrayView bytes);

/// The UTF-8 bytes of `text` with &, <, > and " escaped: safe in element content
/// and in attribute values between double quotes.
QByteArray escapeHtml(const QString &text);

/// escapeHtml(displayText(bytes)), without decoding a text that is all printable
/// ASCII.
QByteArray escapedText(QByteArrayView bytes);

/// Writes escapedText(bytes).
void writeEscaped(std::FILE *out, QByteArrayView bytes);
/// Writes escapedText of a NUL-terminated text of the model (names, item texts).
void writeEscaped(std::FILE *out, const char *bytes);
/// Writes escapeHtml(text) (labels and texts composed by the program).
void writeEscaped(std::FILE *out, const QString &text);
