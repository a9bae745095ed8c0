// SPDX-License-Identifier: MIT
#include "core/sms/QrSvg.h"

#include <QStringList>
#include <algorithm>

#include "core/sms/QrCaption.h"

namespace dtu {

QByteArray QrCodeSvg(const QrMatrix& matrix, const QString& heading, const QString& sms) {
  constexpr int kModule = 8;
  const int side = (matrix.size + 2 * kQrQuietZone) * kModule;
  // Monospace text about 0.6 em wide: 14 units high, down to 8 for the
  // longest piece that must stay whole, and then a wider picture.
  qsizetype longest = 1;
  for (const QString& piece : CaptionLines(heading, sms, [](const QString&) { return false; }))
    longest = std::max(longest, piece.size());
  const int fontSize = static_cast<int>(std::clamp<qsizetype>((side - 16) * 10 / (6 * longest), 8, 14));
  const int width = std::max<int>(side, static_cast<int>(longest * fontSize * 6 / 10) + 16);
  const QStringList lines =
      CaptionLines(heading, sms, [&](const QString& line) { return line.size() * fontSize * 6 / 10 <= width - 16; });
  const int lineHeight = fontSize + 4;
  const int height = side + static_cast<int>(lines.size()) * lineHeight + (lines.isEmpty() ? 0 : 8);

  QString path;
  matrix.forEachDarkRun([&](int x, int y, int run) {
    path += QStringLiteral("M%1 %2h%3v1h-%3z").arg(x + kQrQuietZone).arg(y + kQrQuietZone).arg(run);
  });
  QString svg = QStringLiteral(
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\">\n"
                    "<rect width=\"%1\" height=\"%2\" fill=\"#fff\"/>\n"
                    "<path transform=\"translate(%3 0) scale(%4)\" shape-rendering=\"crispEdges\" fill=\"#000\" "
                    "d=\"%5\"/>\n")
                    .arg(width)
                    .arg(height)
                    .arg((width - side) / 2)
                    .arg(kModule)
                    .arg(path);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    svg += QStringLiteral(
               "<text x=\"%1\" y=\"%2\" font-family=\"monospace\" font-size=\"%3\" text-anchor=\"middle\">%4</text>\n")
               .arg(width / 2)
               .arg(side + (i + 1) * lineHeight)
               .arg(fontSize)
               .arg(lines[i].toHtmlEscaped());
  }
  svg += QStringLiteral("</svg>\n");
  return svg.toUtf8();
}

}  // namespace dtu
