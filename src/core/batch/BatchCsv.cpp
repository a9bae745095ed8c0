// SPDX-License-Identifier: MIT
#include "core/batch/BatchCsv.h"

#include "core/batch/BatchCompose.h"
#include "core/csv/Csv.h"

namespace dtu {

QByteArray BatchCsv(const BatchList& list, const std::function<QString(const QString&)>& check) {
  QByteArray out = "DTU number,SIM number,SMS command,SMS check\r\n";
  out.reserve(out.size() + static_cast<qsizetype>(list.rows.size()) * 120);
  for (const BatchRow& row : list.rows) {
    if (!row.ok()) continue;
    const QString sms = check ? check(row.command) : QString();
    out += CsvLine({row.dtuNumber, row.simNumber, row.command, sms}, CsvCellStyle::Spreadsheet).toUtf8();
  }
  return out;
}

Expected<QByteArray> CsvBatchWriter::render(const ComposedBatch& batch) const {
  // The byte-order mark makes spreadsheet programs read the file as UTF-8.
  return "\xEF\xBB\xBF" + BatchCsv(batch.list, BatchCheck(batch.base));
}

}  // namespace dtu
