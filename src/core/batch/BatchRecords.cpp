// SPDX-License-Identifier: MIT
#include "core/batch/BatchRecords.h"

#include <QStringList>
#include <algorithm>
#include <initializer_list>

#include "core/csv/Csv.h"
#include "core/sms/SmsComposer.h"

namespace dtu {

namespace {

// A no-break space pasted from a spreadsheet or a web page is padding too.
QString TrimCell(const QString& cell) {
  const auto padding = [](QChar c) { return c.unicode() <= 32 || c == QChar::Nbsp; };
  qsizetype first = 0, last = cell.size();
  while (first < last && padding(cell.at(first))) ++first;
  while (last > first && padding(cell.at(last - 1))) --last;
  return cell.mid(first, last - first);
}

bool IsLineEnd(QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); }

// Only blank cells: skipped. A record cut short or never closed is reported instead.
bool IsBlank(const CsvRecord& record) {
  return !record.tooLong && record.openQuote == 0 &&
         std::all_of(record.cells.begin(), record.cells.end(), [](const QString& cell) { return IsBlankField(cell); });
}

// The candidate found most often outside quotes in the first record that is
// not blank; none of them makes a list of one column.
QChar DetectSeparator(const QString& text) {
  const QChar candidates[] = {QLatin1Char('\t'), QLatin1Char(';'), QLatin1Char(',')};
  int counts[3] = {};
  bool quoted = false;
  bool content = false;
  qsizetype length = 0;
  for (QChar c : text) {
    if (!quoted && IsLineEnd(c)) {
      if (content) break;
      length = 0;
      continue;
    }
    if (++length > kBatchLineLimit) break;
    if (c == QLatin1Char('"')) quoted = !quoted;
    content = content || c.unicode() > 32;
    for (int i = 0; i < 3; ++i)
      if (!quoted && c == candidates[i]) ++counts[i];
  }
  const int best = static_cast<int>(std::max_element(counts, counts + 3) - counts);
  return counts[best] > 0 ? candidates[best] : QChar();
}

bool IsOneOf(const QString& cell, std::initializer_list<const char*> words) {
  const QString trimmed = TrimField(cell);
  return std::any_of(words.begin(), words.end(), [&trimmed](const char* word) {
    return trimmed.compare(QString::fromUtf8(word), Qt::CaseInsensitive) == 0;
  });
}

// Column names only, in English or as the window's columns read in Chinese (now or in
// lists exported before the caption said SIM卡号):
// a first row that merely fails a check (a typo in its SIM number) is data,
// and is reported as such.
bool IsHeader(const CsvRecord& record) {
  const QString first = record.cells.value(0);
  return IsOneOf(first, {"DTU number", "DTU No.", "DTU", "DTU编号", "DTU編號"}) ||
         (IsBlankField(first) &&
          IsOneOf(record.cells.value(1), {"SIM number", "SIM", "SIM卡号", "SIM卡號", "SIM卡号码", "SIM卡號碼"}));
}

}  // namespace

BatchList ParseBatchList(const QString& text) {
  BatchList list;
  list.separator = DetectSeparator(text);
  CsvReader reader(text, list.separator, kBatchLineLimit);
  bool first = true;
  while (!reader.atEnd()) {
    const CsvRecord record = reader.next();
    const BatchProblem problem = record.openQuote ? BatchProblem::QuoteNotClosed
                                 : record.tooLong ? BatchProblem::LineTooLong
                                                  : BatchProblem::None;
    if (IsBlank(record)) continue;
    if (first) {
      first = false;
      list.hasHeader = problem == BatchProblem::None && IsHeader(record);
      if (list.hasHeader) continue;
    }
    if (list.rows.size() >= static_cast<size_t>(kBatchRowLimit)) {
      list.truncatedAtLine = record.line;
      break;
    }
    BatchRow row;
    row.line = record.line;
    row.lastLine = record.lastLine;
    row.problem = problem;
    if (problem == BatchProblem::QuoteNotClosed) row.detail = QString::number(record.openQuote);
    row.dtuNumber = TrimCell(record.cells.value(0));
    row.simNumber = TrimCell(record.cells.value(1));
    list.rows.push_back(std::move(row));
  }
  return list;
}

}  // namespace dtu
