// The error display of the measure database: every failure of a measure is shown
// on standard error as "<product> - Test Process Monitor: <message>".
#pragma once

#include <QString>
#include <cstdio>

/// Shows the messages of the measure writer; the product name is fetched once,
/// when the display is made.
class MeasureErrorDisplay {
public:
  /// `out` receives the messages (standard error in a run).
  explicit MeasureErrorDisplay(std::FILE *out = stderr);

  /// Writes the framed message in the local 8-bit encoding.
  void showTpmError(const QString &message) const;
  /// Writes the system's text for an error number alone on a line.
  void showSystemError(int error) const;

private:
  void write(const QString &text) const;

  std::FILE *out_;
  QString product_;
};
