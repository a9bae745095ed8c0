// SPDX-License-Identifier: MIT
#include "core/batch/BatchRecords.h"

#include <QStringList>
#include <algorithm>
#include <initializer_list>

#include "core/sms/SmsComposer.h"

namespace dtu {

namespace {

bool IsLineEnd(QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); }

// Moves past one line end ("\r\n", "\n" or "\r") at `pos`.
void SkipLineEnd(const QString& text, qsizetype& pos) {
  if (text.at(pos) == QLatin1Char('\r') && pos + 1 < text.size() && text.at(pos + 1) == QLatin1Char('\n')) ++pos;
  ++pos;
}

struct Record {
  int line = 0;
  int lastLine = 0;
  int quoteLine = 0;  // of the quote still open at the end of the text
  QStringList cells;
  BatchProblem problem = BatchProblem::None;
  bool blank() const {
    return problem == BatchProblem::None &&
           std::all_of(cells.begin(), cells.end(), [](const QString& cell) { return IsBlankField(cell); });
  }
};

class RecordReader {
 public:
  RecordReader(const QString& text, QChar separator) : text_(text), separator_(separator) {}
  bool atEnd() const { return pos_ >= text_.size(); }

  // Past the length limit the record is still read to its end, quotes and
  // all, so that the next record starts where it really does; only the cells
  // are no longer kept.
  Record next() {
    Record record;
    record.line = record.lastLine = line_;
    QString cell;
    bool blank = true;  // the cell holds nothing but blanks so far
    bool quoted = false;
    bool tooLong = false;
    qsizetype length = 0;
    const auto add = [&](QStringView text) {
      blank = blank && std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 32; });
      if (!tooLong) cell += text;
    };
    while (pos_ < text_.size()) {
      const QChar c = text_.at(pos_);
      if (!IsLineEnd(c)) record.lastLine = line_;
      tooLong = tooLong || ++length > kBatchLineLimit;
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
        cell.clear();  // blanks before an opening quote are not content
        quoted = true;
        record.quoteLine = line_;
      } else if (!separator_.isNull() && c == separator_) {
        if (!tooLong) record.cells << cell;
        cell.clear();
        blank = true;
      } else {
        add(QStringView(&c, 1));
      }
    }
    if (quoted) {
      record.problem = BatchProblem::QuoteNotClosed;
    } else if (tooLong) {
      record.problem = BatchProblem::LineTooLong;
    }
    if (!tooLong) record.cells << cell;
    return record;
  }

 private:
  void endLine() {
    SkipLineEnd(text_, pos_);
    ++line_;
  }

  const QString& text_;
  QChar separator_;
  qsizetype pos_ = 0;
  int line_ = 1;
};

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

// Column names only, in English or as the window's columns read in Chinese:
// a first row that merely fails a check (a typo in its SIM number) is data,
// and is reported as such.
bool IsHeader(const Record& record) {
  const QString first = record.cells.value(0);
  return IsOneOf(first, {"DTU number", "DTU No.", "DTU", "DTU编号", "DTU編號"}) ||
         (IsBlankField(first) && IsOneOf(record.cells.value(1), {"SIM number", "SIM", "SIM卡号码", "SIM卡號碼"}));
}

}  // namespace

BatchList ParseBatchList(const QString& text) {
  BatchList list;
  list.separator = DetectSeparator(text);
  RecordReader reader(text, list.separator);
  bool first = true;
  while (!reader.atEnd()) {
    Record record = reader.next();
    if (record.blank()) continue;
    if (first) {
      first = false;
      list.hasHeader = record.problem == BatchProblem::None && IsHeader(record);
      if (list.hasHeader) continue;
    }
    if (list.rows.size() >= static_cast<size_t>(kBatchRowLimit)) {
      list.truncatedAtLine = record.line;
      break;
    }
    BatchRow row;
    row.line = record.line;
    row.lastLine = record.lastLine;
    row.problem = record.problem;
    if (row.problem == BatchProblem::QuoteNotClosed) row.detail = QString::number(record.quoteLine);
    row.dtuNumber = TrimField(record.cells.value(0));
    row.simNumber = TrimField(record.cells.value(1));
    list.rows.push_back(std::move(row));
  }
  return list;
}

}  // namespace dtu
