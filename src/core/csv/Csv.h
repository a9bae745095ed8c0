// SPDX-License-Identifier: MIT
// Comma-separated text as the batch list and the send log write and read it:
// RFC 4180 quotes, CRLF line ends out, any line end in.
#pragma once

#include <QString>
#include <QStringList>

namespace dtu {

enum class CsvCellStyle {
  // Quoted only where the separator, a quote or a line end would be misread.
  Plain,
  // For a file a person opens in a spreadsheet: a cell that would start a
  // formula gets a leading "'" (a signed number stays as it is), and a cell
  // with a blank or control character at either end is quoted, which keeps it.
  Spreadsheet,
};

QString CsvCell(const QString& value, CsvCellStyle style);
// The cells joined by "," and ended by CRLF.
QString CsvLine(const QStringList& cells, CsvCellStyle style);

struct CsvRecord {
  int line = 0;          // where it starts, from 1
  int lastLine = 0;      // the last line holding any of it
  int openQuote = 0;     // the line of a quote never closed before the end of the text; 0 when none is
  bool tooLong = false;  // over the reader's length limit: the cells are dropped
  QStringList cells;     // a blank line is one empty cell
};

// Reads records one at a time. A quote opens a quoted cell only where the
// cell holds nothing but blanks so far (they are dropped); anywhere else it
// is text. A quoted cell may span lines and keeps their line ends as they
// are. A record over the length limit is still read to its end, quotes and
// all, so that the next one starts where it really does.
class CsvReader {
 public:
  // `separator` null reads one column. `lengthLimit` in UTF-16 code units, 0
  // for none. `text` must outlive the reader.
  CsvReader(const QString& text, QChar separator, qsizetype lengthLimit = 0)
      : text_(text), separator_(separator), limit_(lengthLimit) {}
  bool atEnd() const { return pos_ >= text_.size(); }
  CsvRecord next();

 private:
  void endLine();

  const QString& text_;
  QChar separator_;
  qsizetype limit_;
  qsizetype pos_ = 0;
  int line_ = 1;
};

}  // namespace dtu
