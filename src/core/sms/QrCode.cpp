// SPDX-License-Identifier: MIT
#include "core/sms/QrCode.h"

#include <qrencode.h>

#include <memory>

namespace dtu {

QString SmsToPayload(const QString& number, const QString& sms) {
  return QStringLiteral("SMSTO:") + number + QLatin1Char(':') + sms;
}

QrMatrix EncodeQrCode(const QString& payload) {
  const QByteArray bytes = payload.toUtf8();
  QrMatrix matrix;
  if (bytes.isEmpty()) return matrix;
  const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
      QRcode_encodeData(static_cast<int>(bytes.size()), reinterpret_cast<const unsigned char*>(bytes.constData()), 0,
                        QR_ECLEVEL_M),
      &QRcode_free);
  if (!code) return matrix;  // too long for version 40, or out of memory
  matrix.size = code->width;
  const size_t count = static_cast<size_t>(code->width) * code->width;
  matrix.dark.resize(count);
  // Bit 0 of each byte is the module's colour; the others describe its role.
  for (size_t i = 0; i < count; ++i) matrix.dark[i] = code->data[i] & 1;
  return matrix;
}

}  // namespace dtu
