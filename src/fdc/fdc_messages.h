// Helpers shared by the messages of the FDC reader and the model.
#pragma once

#include <QString>

/// Fills %1 of a message with `argument`; a text that has no place for it (some
/// messages name the file at their end) gets it appended after one blank.
inline QString withArgument(const QString &text, const QString &argument) {
  if (!text.contains(QLatin1String("%1"))) return text + QLatin1Char(' ') + argument;
  return text.arg(argument);
}
