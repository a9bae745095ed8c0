// SPDX-License-Identifier: MIT
#include "render/QrSheet.h"

#include <QBuffer>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <thread>

#include "core/config/AtomicFile.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/sms/QrCode.h"
#include "core/sms/QrCodeStream.h"
#include "core/sms/SimNumber.h"
#include "render/Fonts.h"
#include "render/QrPainter.h"

namespace dtu {

namespace {

constexpr double kMarginMm = 12.0;
constexpr double kFooterMm = 8.0;
constexpr double kTextGapMm = 1.5;

QFont SheetFont(double points, bool bold = false) {
  // The CJK faces supply Chinese glyphs that the first lacks; the PDF embeds what it uses.
  QFont font(FontFamilies(FontRole::kText));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

}  // namespace

bool PaintQrSheet(const BatchList& list, QIODevice& device, const SheetProgress& progress) {
  QPdfWriter writer(&device);
  writer.setTitle(Translate("QR codes of the SMS commands"));
  writer.setCreator(QStringLiteral("dtusms"));
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
  QPainter painter;
  if (!painter.begin(&writer)) return false;

  const double unitsPerMm = writer.resolution() / 25.4;
  const auto mm = [unitsPerMm](double value) { return value * unitsPerMm; };
  const QSizeF page = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
  const double cellWidth = (page.width() - 2 * kMarginMm) / kQrSheetColumns;
  const double cellHeight = (page.height() - 2 * kMarginMm - kFooterMm) / kQrSheetRows;
  const int perPage = kQrSheetColumns * kQrSheetRows;

  const QFont numberFont = SheetFont(10, true);
  const QFont textFont = SheetFont(7);
  const double numberHeight = QFontMetricsF(numberFont, &writer).height();

  std::vector<const BatchRow*> rows;
  for (const BatchRow& row : list.rows)
    if (row.ok()) rows.push_back(&row);
  const int pages = std::max<int>(1, static_cast<int>((rows.size() + perPage - 1) / perPage));
  std::vector<QString> numbers, payloads;
  numbers.reserve(rows.size());
  payloads.reserve(rows.size());
  for (const BatchRow* row : rows) {
    // A SIM number the list checked still has its blanks and dashes.
    numbers.push_back(NormalizeSimNumber(row->simNumber).value_or(QString()));
    payloads.push_back(SmsToPayload(numbers.back(), row->command));
  }
  // Every code stands alone: the other cores encode while this thread draws,
  // writes and deflates the pages, and it encodes too whenever it would wait.
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  QrCodeStream codes(std::move(payloads), std::max(1, cores - 1));

  for (int pageIndex = 0; pageIndex < pages; ++pageIndex) {
    if (pageIndex > 0) writer.newPage();
    for (int slot = 0; slot < perPage; ++slot) {
      const size_t index = static_cast<size_t>(pageIndex) * perPage + slot;
      if (index >= rows.size()) break;
      const BatchRow& row = *rows[index];
      const double left = kMarginMm + (slot % kQrSheetColumns) * cellWidth;
      const double top = kMarginMm + (slot / kQrSheetColumns) * cellHeight;
      const QRectF code(mm(left + (cellWidth - kQrSheetCodeMm) / 2), mm(top), mm(kQrSheetCodeMm), mm(kQrSheetCodeMm));
      const QString& number = numbers[index];
      const QrMatrix matrix = codes.next();
      painter.setFont(textFont);
      painter.setPen(Qt::black);
      if (matrix.isEmpty()) {
        painter.drawText(code, Qt::AlignCenter | Qt::TextWordWrap, Translate("Too long for a QR code."));
      } else {
        painter.drawImage(code, QrModuleImage(matrix));
      }
      const QRectF text(mm(left + 2), code.bottom() + mm(kTextGapMm), mm(cellWidth - 4),
                        mm(top + cellHeight - kTextGapMm) - code.bottom() - mm(kTextGapMm));
      painter.setFont(numberFont);
      painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, row.dtuNumber);
      QString detail = row.command;
      if (!number.isEmpty()) detail = number + QLatin1Char('\n') + detail;
      painter.setFont(textFont);
      painter.save();
      painter.setClipRect(text);
      // Commands have no blanks to break at.
      painter.drawText(text.adjusted(0, numberHeight, 0, 0), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWrapAnywhere,
                       detail);
      painter.restore();
    }
    painter.setFont(textFont);
    painter.drawText(
        QRectF(0, mm(page.height() - kMarginMm - kFooterMm), mm(page.width()), mm(kFooterMm)), Qt::AlignCenter,
        FormatMessage(Translate("Page %d of %d"), {QString::number(pageIndex + 1), QString::number(pages)}));
    if (progress && !progress(pageIndex + 1, pages)) {
      painter.end();
      return false;
    }
  }
  return painter.end();
}

Expected<QByteArray> QrSheetWriter::render(const ComposedBatch& batch) const {
  QByteArray out;
  QBuffer buffer(&out);
  if (buffer.open(QIODevice::WriteOnly) && PaintQrSheet(batch.list, buffer, batch.progress)) {
    buffer.close();
    return out;
  }
  return FileWriteFailure(buffer.errorString());
}

}  // namespace dtu
