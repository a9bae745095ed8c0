// SPDX-License-Identifier: MIT
// Reads QR codes back from pixels, as a phone's scanner would.
#pragma once

#include <zbar.h>

#include <QImage>
#include <QStringList>

namespace dtu::testing {

// Every QR code zbar finds in `image`, sorted.
inline QStringList DecodeQrCodes(const QImage& image) {
  const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
  zbar::ImageScanner scanner;
  scanner.set_config(zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
  scanner.set_config(zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
  // Any padding at the end of a line only widens the image by blank columns.
  zbar::Image z(gray.bytesPerLine(), gray.height(), "Y800", gray.constBits(), gray.sizeInBytes());
  scanner.scan(z);
  QStringList found;
  for (auto s = z.symbol_begin(); s != z.symbol_end(); ++s) found << QString::fromStdString(s->get_data());
  found.sort();
  return found;
}

}  // namespace dtu::testing
