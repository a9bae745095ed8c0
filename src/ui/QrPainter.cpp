// SPDX-License-Identifier: MIT
#include "ui/QrPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRectF>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <vector>

namespace dtu {

namespace {

// Runs of dark modules, each merged with the same run in the rows below it.
std::vector<QRectF> DarkRectangles(const QrMatrix& matrix) {
  std::vector<QRectF> done, open, next;
  const auto closeUpTo = [&](size_t& at, int x) {
    for (; at < open.size() && open[at].x() < x; ++at) done.push_back(open[at]);
  };
  for (int y = 0; y < matrix.size; ++y) {
    next.clear();
    size_t at = 0;
    matrix.forEachDarkRunInRow(y, [&](int x, int run) {
      closeUpTo(at, x);
      if (at < open.size() && open[at].x() == x && open[at].width() == run) {
        open[at].setHeight(open[at].height() + 1);
        next.push_back(open[at++]);
      } else {
        next.push_back(QRectF(x, y, run, 1));
      }
    });
    closeUpTo(at, matrix.size);
    open.swap(next);
  }
  size_t at = 0;
  closeUpTo(at, matrix.size);
  return done;
}

}  // namespace

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
    // One fill for the whole code, in modules: a PDF then holds each
    // rectangle as four small whole numbers instead of a path in page units,
    // so a sheet of thousands of codes stays small and quick to compress.
    painter.translate(snapped);
    painter.scale(module, module);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const std::vector<QRectF> rectangles = DarkRectangles(matrix);
    painter.drawRects(rectangles.data(), static_cast<int>(rectangles.size()));
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
