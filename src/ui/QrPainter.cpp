// SPDX-License-Identifier: MIT
#include "ui/QrPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRectF>
#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace dtu {

void PaintQrCode(QPainter& painter, const QrMatrix& matrix, const QRectF& target) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(target, Qt::white);
  if (!matrix.isEmpty()) {
    const int modules = matrix.size + 2 * kQrQuietZone;
    qreal module = std::min(target.width(), target.height()) / modules;
    if (module >= 1) module = std::floor(module);
    const qreal side = module * modules;
    const QPointF origin(target.x() + (target.width() - side) / 2 + module * kQrQuietZone,
                         target.y() + (target.height() - side) / 2 + module * kQrQuietZone);
    const QPointF snapped = module >= 1 ? QPointF(std::round(origin.x()), std::round(origin.y())) : origin;
    // One rectangle per horizontal run of dark modules.
    matrix.forEachDarkRun([&](int x, int y, int run) {
      painter.fillRect(QRectF(snapped.x() + x * module, snapped.y() + y * module, run * module, module), Qt::black);
    });
  }
  painter.restore();
}

QImage RenderQrImage(const QrMatrix& matrix, int pixelsPerModule) {
  const int side = (matrix.size + 2 * kQrQuietZone) * std::max(1, pixelsPerModule);
  QImage image(side, side, QImage::Format_RGB32);
  QPainter painter(&image);
  PaintQrCode(painter, matrix, QRectF(0, 0, side, side));
  return image;
}

QImage RenderQrSheet(const QrMatrix& matrix, const QString& caption, int pixelsPerModule) {
  const int side = (matrix.size + 2 * kQrQuietZone) * std::max(1, pixelsPerModule);
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setStyleHint(QFont::Monospace);
  font.setPixelSize(std::max(12, side / 24));
  const QRect textBox(8, side, side - 16, 0);
  // Commands have no blanks to break at: wrap anywhere.
  const int textHeight =
      caption.isEmpty() ? 0 : QFontMetrics(font).boundingRect(textBox, Qt::TextWrapAnywhere, caption).height() + 8;
  QImage image(side, side + textHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PaintQrCode(painter, matrix, QRectF(0, 0, side, side));
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(textBox.adjusted(0, 0, 0, textHeight), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWrapAnywhere,
                   caption);
  return image;
}

}  // namespace dtu
