#include "measures/measure_error_display.h"

#include <QByteArray>
#include <cstring>

#include "support/messages.h"

MeasureErrorDisplay::MeasureErrorDisplay(std::FILE *out) : out_(out), product_(productName()) {}

void MeasureErrorDisplay::showTpmError(const QString &message) const {
  write(tr("Error Display", "%1 - Test Process Monitor: %2\n",
           "%1 is the product name; %2 the error message")
            .arg(product_, message));
}

void MeasureErrorDisplay::showSystemError(int error) const {
  write(QString::fromLocal8Bit(std::strerror(error)) + QStringLiteral("\n"));
}

void MeasureErrorDisplay::write(const QString &text) const {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out_);
  std::fflush(out_);
}
