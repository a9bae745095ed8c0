// SPDX-License-Identifier: MIT
#include "core/csv/Csv.h"

#include <algorithm>

namespace dtu {

namespace {

bool IsLineEnd(QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); }

// A spreadsheet runs a cell that starts like a formula. A signed number
// ("+8613800000000") is only ever read as a number.
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

}  // namespace

QString CsvCell(const QString& value, CsvCellStyle style) {
  const bool sheet = style == CsvCellStyle::Spreadsheet;
  const QString text = sheet && LooksLikeFormula(value) ? QLatin1Char('\'') + value : value;
  const bool quote =
      std::any_of(text.begin(), text.end(),
                  [](QChar c) { return c == QLatin1Char(',') || c == QLatin1Char('"') || IsLineEnd(c); }) ||
      (sheet && !text.isEmpty() && (text.front().unicode() <= 32 || text.back().unicode() <= 32));
  if (!quote) return text;
  return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString CsvLine(const QStringList& cells, CsvCellStyle style) {
  QStringList line;
  line.reserve(cells.size());
  for (const QString& cell : cells) line << CsvCell(cell, style);
  return line.join(QLatin1Char(',')) + QLatin1String("\r\n");
}

void CsvReader::endLine() {
  // "\r\n", "\n" or "\r"
  if (text_.at(pos_) == QLatin1Char('\r') && pos_ + 1 < text_.size() && text_.at(pos_ + 1) == QLatin1Char('\n')) ++pos_;
  ++pos_;
  ++line_;
}

CsvRecord CsvReader::next() {
  CsvRecord record;
  record.line = record.lastLine = line_;
  QString cell;
  bool blank = true;  // the cell holds nothing but blanks so far
  bool quoted = false;
  int quoteLine = 0;
  qsizetype length = 0;
  const auto add = [&](QStringView text) {
    blank = blank && std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 32; });
    if (!record.tooLong) cell += text;
  };
  while (pos_ < text_.size()) {
    const QChar c = text_.at(pos_);
    if (!IsLineEnd(c)) record.lastLine = line_;
    record.tooLong = record.tooLong || (limit_ > 0 && ++length > limit_);
    if (quoted) {
      if (c == QLatin1Char('"')) {
        if (pos_ + 1 < text_.size() && text_.at(pos_ + 1) == QLatin1Char('"')) {
          add(QStringView(&c, 1));
          ++pos_;
        } else {
          quoted = false;
        }
        ++pos_;
      } else if (IsLineEnd(c)) {
        const qsizetype start = pos_;
        endLine();
        add(QStringView(text_).sliced(start, pos_ - start));
      } else {
        add(QStringView(&c, 1));
        ++pos_;
      }
      continue;
    }
    if (IsLineEnd(c)) {
      endLine();
      break;
    }
    ++pos_;
    if (c == QLatin1Char('"') && blank) {
      cell.clear();
      quoted = true;
      quoteLine = line_;
    } else if (!separator_.isNull() && c == separator_) {
      if (!record.tooLong) record.cells << cell;
      cell.clear();
      blank = true;
    } else {
      add(QStringView(&c, 1));
    }
  }
  if (quoted) record.openQuote = quoteLine;
  if (!record.tooLong) record.cells << cell;
  return record;
}

}  // namespace dtu
