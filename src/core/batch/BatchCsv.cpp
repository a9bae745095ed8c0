// SPDX-License-Identifier: MIT
#include "core/batch/BatchCsv.h"

#include <algorithm>

#include "core/batch/BatchCompose.h"

namespace dtu {

namespace {

bool IsLineEnd(QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); }

// A spreadsheet runs a cell that starts like a formula; a leading "'" keeps it
// text. A signed number ("+8613800000000") is only ever read as a number.
bool LooksLikeFormula(const QString& value) {
  if (value.isEmpty()) return false;
  const QChar first = value.front();
  if (first == QLatin1Char('=') || first == QLatin1Char('@') || first == QLatin1Char('\t') ||
      first == QLatin1Char('\r'))
    return true;
  if (first != QLatin1Char('+') && first != QLatin1Char('-')) return false;
  const QStringView rest = QStringView(value).sliced(1);
  return rest.isEmpty() ||
         !std::all_of(rest.begin(), rest.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

QString Quoted(const QString& value) {
  return QLatin1Char('"') + QString(value).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

void AppendCsvCell(QByteArray& out, const QString& cell) {
  const QString value = LooksLikeFormula(cell) ? QLatin1Char('\'') + cell : cell;
  const bool quote =
      std::any_of(value.begin(), value.end(),
                  [](QChar c) { return c == QLatin1Char(',') || c == QLatin1Char('"') || IsLineEnd(c); }) ||
      (!value.isEmpty() && (value.front().unicode() <= 32 || value.back().unicode() <= 32));
  out += (quote ? Quoted(value) : value).toUtf8();
}

}  // namespace

QByteArray BatchCsv(const BatchList& list, const std::function<QString(const QString&)>& check) {
  QByteArray out = "DTU number,SIM number,SMS command,SMS check\r\n";
  out.reserve(out.size() + static_cast<qsizetype>(list.rows.size()) * 120);
  for (const BatchRow& row : list.rows) {
    if (!row.ok()) continue;
    AppendCsvCell(out, row.dtuNumber);
    out += ',';
    AppendCsvCell(out, row.simNumber);
    out += ',';
    AppendCsvCell(out, row.command);
    out += ',';
    AppendCsvCell(out, check ? check(row.command) : QString());
    out += "\r\n";
  }
  return out;
}

Expected<QByteArray> CsvBatchWriter::render(const ComposedBatch& batch) const {
  // The byte-order mark makes spreadsheet programs read the file as UTF-8.
  return "\xEF\xBB\xBF" + BatchCsv(batch.list, BatchCheck(batch.base));
}

}  // namespace dtu
