// SPDX-License-Identifier: MIT
// Draws a QR module matrix on any paint device (screen, image, PDF page).
#pragma once

#include <QImage>
#include <QString>

#include "core/sms/QrCode.h"

class QPainter;
class QRectF;

namespace dtu {

// Fills `target` white and draws the code centred in it as a square with its
// quiet zone. A module is a whole number of the painter's units whenever the
// target allows one, so edges stay crisp; nothing is antialiased.
void PaintQrCode(QPainter& painter, const QrMatrix& matrix, const QRectF& target);

// The code with its quiet zone at one pixel a module, in 1 bit with exactly
// black and white as its colours: Qt's PDF writer then keeps it as a lossless
// 1-bit picture of a few hundred bytes, far less to write and deflate than the
// modules as rectangles (any other colour table gets a lossy JPEG).
QImage QrModuleImage(const QrMatrix& matrix);

// The code alone, `pixelsPerModule` (at least 1) for each module and the quiet zone.
QImage RenderQrImage(const QrMatrix& matrix, int pixelsPerModule);

// The code with the caption of `heading` and `sms` under it (CaptionLines), as
// "Save image..." writes it. The text shrinks to 8 px, then the image widens,
// for a piece of the caption that must stay whole.
QImage RenderQrSheet(const QrMatrix& matrix, const QString& heading, const QString& sms, int pixelsPerModule = 8);

}  // namespace dtu
