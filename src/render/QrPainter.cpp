// SPDX-License-Identifier: MIT
#include "render/QrPainter.h"
#include "core/sms/QrCaption.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRectF>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <vector>

#include "render/Fonts.h"

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
    // One fill for the whole code, in modules, of runs merged across rows.
    painter.translate(snapped);
    painter.scale(module, module);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const std::vector<QRectF> rectangles = DarkRectangles(matrix);
    painter.drawRects(rectangles.data(), static_cast<int>(rectangles.size()));
  }
  painter.restore();
}

QImage QrModuleImage(const QrMatrix& matrix) {
  const int side = matrix.size + 2 * kQrQuietZone;
  QImage image(side, side, QImage::Format_Mono);
  image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  image.fill(1);
  for (int y = 0; y < matrix.size; ++y) {
    uchar* line = image.scanLine(y + kQrQuietZone);
    matrix.forEachDarkRunInRow(y, [line](int x, int run) {
      for (int i = x + kQrQuietZone; i < x + kQrQuietZone + run; ++i) line[i >> 3] &= ~(0x80 >> (i & 7));
    });
  }
  return image;
}

QImage RenderQrImage(const QrMatrix& matrix, int pixelsPerModule) {
  const int side = (matrix.size + 2 * kQrQuietZone) * std::max(1, pixelsPerModule);
  QImage image(side, side, QImage::Format_RGB32);
  QPainter painter(&image);
  PaintQrCode(painter, matrix, QRectF(0, 0, side, side));
  return image;
}

QImage RenderQrSheet(const QrMatrix& matrix, const QString& heading, const QString& sms, int pixelsPerModule) {
  const int side = (matrix.size + 2 * kQrQuietZone) * std::max(1, pixelsPerModule);
  QFont font(FontFamilies(FontRole::kFixed));
  font.setStyleHint(QFont::Monospace);
  const QStringList pieces = CaptionLines(heading, sms, [](const QString&) { return false; });
  const auto widest = [&] {
    int width = 0;
    for (const QString& piece : pieces) width = std::max(width, QFontMetrics(font).horizontalAdvance(piece));
    return width;
  };
  int pixels = std::max(12, side / 24);
  font.setPixelSize(pixels);
  while (pixels > 8 && widest() > side - 16) font.setPixelSize(--pixels);
  const int width = std::max(side, widest() + 16);
  const QFontMetrics metrics(font);
  const QStringList lines =
      CaptionLines(heading, sms, [&](const QString& line) { return metrics.horizontalAdvance(line) <= width - 16; });
  const int lineHeight = metrics.lineSpacing();
  const int textHeight = lines.isEmpty() ? 0 : static_cast<int>(lines.size()) * lineHeight + 8;
  QImage image(width, side + textHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PaintQrCode(painter, matrix, QRectF((width - side) / 2, 0, side, side));
  painter.setFont(font);
  painter.setPen(Qt::black);
  for (qsizetype i = 0; i < lines.size(); ++i)
    painter.drawText(QRect(0, side + static_cast<int>(i) * lineHeight, width, lineHeight),
                     Qt::AlignHCenter | Qt::AlignTop, lines[i]);
  return image;
}

}  // namespace dtu
