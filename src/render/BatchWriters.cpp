// SPDX-License-Identifier: MIT
#include "render/BatchWriters.h"

#include <QFileInfo>
#include <array>

#include "core/batch/BatchCsv.h"
#include "core/i18n/Translate.h"
#include "render/QrSheet.h"

namespace dtu {

namespace {
const CsvBatchWriter kCsv{};
const QrSheetWriter kSheet{};
const std::array<BatchFormat, 2> kFormats{{
    {kCsv, N_("With --batch: write the CSV to this file."), "OUT.csv", "batch_ExportCsv", N_("Export C&SV..."),
     N_("Export CSV"), N_("CSV files (*.csv)"), "dtu-sms.csv", false},
    {kSheet, N_("With --batch: write a sheet of QR codes to this PDF file."), "OUT.pdf", "batch_ExportSheet",
     N_("Export &QR sheet..."), N_("Export QR sheet"), N_("PDF files (*.pdf)"), "dtu-sms.pdf", true},
}};
}  // namespace

std::span<const BatchFormat> BatchFormats() { return kFormats; }

QString SuggestedOutputName(const BatchFormat& format, const QString& listPath) {
  const QFileInfo list(listPath);
  if (listPath.isEmpty() || list.completeBaseName().isEmpty()) return QString::fromLatin1(format.suggestedName);
  const QString suffix = QLatin1Char('.') + QString::fromLatin1(format.writer.format());
  const QString name = list.completeBaseName() + suffix;
  // Compared as Windows and macOS would: an output never replaces the list.
  return name.compare(list.fileName(), Qt::CaseInsensitive) == 0
             ? list.completeBaseName() + QStringLiteral("-commands") + suffix
             : name;
}

const BatchWriter* FindBatchWriter(std::string_view format) {
  for (const BatchFormat& row : kFormats)
    if (format == row.writer.format()) return &row.writer;
  return nullptr;
}

}  // namespace dtu
