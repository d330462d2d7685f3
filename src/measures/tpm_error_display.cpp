#include "measures/tpm_error_display.h"

#include <QByteArray>
#include <cstring>

#include "support/messages.h"

TpmErrorDisplay::TpmErrorDisplay(std::FILE *out) : out_(out), product_(productName()) {}

void TpmErrorDisplay::showTpmError(const QString &message) const {
  write(tr("Error Display", "%1 - Test Process Monitor: %2\n",
           "%1 is the product name; %2 the error message")
            .arg(product_, message));
}

void TpmErrorDisplay::showSystemError(int error) const {
  write(QString::fromLocal8Bit(std::strerror(error)) + QStringLiteral("\n"));
}

void TpmErrorDisplay::write(const QString &text) const {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out_);
  std::fflush(out_);
}
