// SPDX-License-Identifier: MIT
#include "core/batch/BatchList.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <initializer_list>
#include <unordered_map>

#include "core/MyDataType.h"
#include "core/config/SettingsFields.h"
#include "core/config/SettingsStore.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/sms/QrCode.h"

namespace dtu {

namespace {

// C0 controls that no text file of any 8-bit charset or UTF-8 holds; tab,
// line ends, form feed and the DOS end-of-file mark are text.
bool IsBinaryByte(unsigned char b) {
  return b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\v' && b != '\f' && b != 0x1A;
}

bool IsUtf8Charset(const std::string& name) {
  return QByteArray::fromStdString(name).toUpper().replace('-', QByteArray()) == "UTF8";
}

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

bool HasControlCharacter(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

// The DTU reads these as the command's own syntax wherever they stand.
QString CommandCharacterIn(const QString& text) {
  const auto found = std::find_if(text.begin(), text.end(), [](QChar c) {
    return c == QLatin1Char('#') || c == QLatin1Char('*') || c == QLatin1Char('(') || c == QLatin1Char(')');
  });
  return found == text.end() ? QString() : QString(*found);
}

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

BatchText DecodeBatchBytes(const QByteArray& bytes, const AnsiCodec& codec) {
  BatchText result;
  if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
    result.error = BatchFileError::Utf16;
    return result;
  }
  if (std::any_of(bytes.begin(), bytes.end(), [](char b) { return IsBinaryByte(static_cast<unsigned char>(b)); })) {
    result.error = BatchFileError::Binary;
    return result;
  }
  const QByteArrayView body =
      bytes.startsWith("\xEF\xBB\xBF") ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(body);
  if (!utf8.hasError()) {
    result.text = std::move(text);
  } else if (bytes.startsWith("\xEF\xBB\xBF") || IsUtf8Charset(codec.charset())) {
    result.error = BatchFileError::UnknownCharset;
    if (!IsUtf8Charset(codec.charset())) result.detail = QString::fromStdString(codec.charset());
  } else {
    result.text = codec.toUnicode(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  }
  return result;
}

BatchText ReadBatchFile(const QString& path, const AnsiCodec& codec) {
  QFile file(path);
  BatchText result;
  const QFileInfo info(path);
  if (info.isDir()) {
    result.error = BatchFileError::CannotOpen;
    result.detail = Translate("It is a folder.");
    return result;
  }
  // Opening a FIFO or a device for reading would block for good.
  if (info.exists() && !info.isFile()) {
    result.error = BatchFileError::CannotOpen;
    result.detail = Translate(N_("It is not a regular file."));
    return result;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    result.error = BatchFileError::CannotOpen;
    result.detail = file.errorString();
    return result;
  }
  const QByteArray bytes = file.read(kBatchFileLimit + 1);
  if (file.error() != QFileDevice::NoError) {
    result.error = BatchFileError::CannotOpen;
    result.detail = file.errorString();
    return result;
  }
  if (bytes.size() > kBatchFileLimit) {
    result.error = BatchFileError::TooLarge;
    return result;
  }
  return DecodeBatchBytes(bytes, codec);
}

int BatchList::okCount() const {
  return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const BatchRow& row) { return row.ok(); }));
}

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

BatchSetupProblem CheckBatchInputs(const SmsCommandInputs& base, const AnsiCodec& codec) {
  SmsCommandInputs probe = base;
  probe.dtuNumber = QStringLiteral("1");
  const SmsComposition result = ComposeSmsCommand(probe, codec);
  BatchSetupProblem problem;
  problem.blankField = result.blankField;
  problem.noCommand = !result.hasBlankField() && result.text.isEmpty();
  return problem;
}

void ComposeBatch(BatchList& list, const SmsCommandInputs& base, const AnsiCodec& codec) {
  std::unordered_map<QString, int> firstLine;
  firstLine.reserve(list.rows.size());
  SmsCommandInputs inputs = base;
  for (BatchRow& row : list.rows) {
    row.command.clear();
    if (row.problem != BatchProblem::LineTooLong && row.problem != BatchProblem::QuoteNotClosed)
      row.problem = BatchProblem::None;
    if (!row.ok()) continue;
    inputs.dtuNumber = row.dtuNumber;
    const SmsComposition composed = ComposeSmsCommand(inputs, codec);
    // A technician reads "KQ1" and "kq1" as one DTU.
    const auto [seen, isNew] = IsBlankField(row.dtuNumber)
                                   ? std::pair{firstLine.end(), true}
                                   : firstLine.try_emplace(row.dtuNumber.toCaseFolded(), row.line);
    const QString syntax = CommandCharacterIn(row.dtuNumber + row.simNumber);
    if (composed.hasBlankField()) {
      row.problem = BatchProblem::BlankField;
      row.detail = QString::fromLatin1(composed.blankField);
    } else if (row.dtuNumber.size() > kDtuNumberUserLimit) {
      row.problem = BatchProblem::DtuNumberTooLong;
    } else if (HasControlCharacter(row.dtuNumber) || HasControlCharacter(row.simNumber)) {
      row.problem = BatchProblem::ControlCharacter;
    } else if (!syntax.isEmpty()) {
      row.problem = BatchProblem::CommandCharacter;
      row.detail = syntax;
    } else if (const QString unheld = codec.firstUnheld(row.dtuNumber); !unheld.isEmpty()) {
      row.problem = BatchProblem::UnheldCharacter;
      row.detail = unheld;
    } else if (!NormalizeSimNumber(row.simNumber)) {
      row.problem = BatchProblem::BadSimNumber;
    } else if (!isNew) {
      row.problem = BatchProblem::DuplicateDtuNumber;
      row.detail = QString::number(seen->second);
    } else {
      row.command = composed.text;
    }
  }
}

QString DescribeBatchProblem(const BatchRow& row) {
  switch (row.problem) {
    case BatchProblem::None:
      return {};
    case BatchProblem::LineTooLong:
      if (row.lastLine > row.line)
        return FormatMessage(
            Translate("The record on lines %d to %d is longer than %d characters; it was skipped."),
            {QString::number(row.line), QString::number(row.lastLine), QString::number(kBatchLineLimit)});
      return FormatMessage(Translate("The line is longer than %d characters."), {QString::number(kBatchLineLimit)});
    case BatchProblem::QuoteNotClosed:
      return FormatMessage(Translate("The quote opened on line %d is never closed; lines %d to %d were skipped."),
                           {row.detail, QString::number(row.line), QString::number(row.lastLine)});
    case BatchProblem::BlankField:
      return Translate("Please enter valid") + QStringLiteral(" \"") + Translate(row.detail) + QLatin1Char('"');
    case BatchProblem::DtuNumberTooLong:
      return FormatMessage(Translate("The DTU number \"%s\" is longer than %d characters."),
                           {row.dtuNumber, QString::number(kDtuNumberUserLimit)});
    case BatchProblem::ControlCharacter:
      return Translate("A cell holds a line break or another control character.");
    case BatchProblem::BadSimNumber:
      return FormatMessage(Translate("The SIM number \"%s\" may hold only digits, a leading \"+\", blanks and \"-\"."),
                           {row.simNumber});
    case BatchProblem::DuplicateDtuNumber:
      return FormatMessage(Translate("The DTU number \"%s\" is already on line %d."), {row.dtuNumber, row.detail});
    case BatchProblem::CommandCharacter:
      if (row.dtuNumber.contains(row.detail))
        return FormatMessage(
            Translate("The DTU number \"%s\" holds \"%s\", which the DTU reads as part of the command."),
            {row.dtuNumber, row.detail});
      return FormatMessage(Translate("The SIM number \"%s\" holds \"%s\", which the DTU reads as part of the command."),
                           {row.simNumber, row.detail});
    case BatchProblem::UnheldCharacter:
      return FormatMessage(
          Translate("The DTU number \"%s\" holds \"%s\", which cannot be sent under the current locale."),
          {row.dtuNumber, row.detail});
  }
  return {};
}

QString DescribeBatchFileError(const BatchText& text) {
  switch (text.error) {
    case BatchFileError::None:
      return {};
    case BatchFileError::CannotOpen:
      return FormatMessage(Translate("Cannot read the file: %s"), {text.detail});
    case BatchFileError::TooLarge:
      return FormatMessage(Translate("The file is larger than %d MB; a list is far smaller."),
                           {QString::number(kBatchFileLimitMiB)});
    case BatchFileError::Binary:
      return Translate("This is not a text file.");
    case BatchFileError::Utf16:
      return Translate("UTF-16 text is not supported; save the list as UTF-8.");
    case BatchFileError::UnknownCharset:
      if (text.detail.isEmpty()) return Translate("The file is not UTF-8 text.");
      return FormatMessage(Translate("The file is neither UTF-8 nor %s text."), {text.detail});
    case BatchFileError::NoRows:
      return Translate("The list holds no DTU number.");
  }
  return {};
}

QString DescribeBatchSetupProblem(const BatchSetupProblem& problem) {
  if (problem.blankField)
    return Translate("Please enter valid") + QStringLiteral(" \"") + Translate(problem.blankField) + QLatin1Char('"');
  if (problem.noCommand) return Translate("The fields give no SMS command: choose the command type and server mode.");
  return {};
}

QString DescribeRowLimit() {
  return FormatMessage(Translate("The list has more than %d rows; the rest was not read."),
                       {QString::number(kBatchRowLimit)});
}

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

QString SettingsFileProblem(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files) {
  // The path as the settings store takes it.
  const platform::FileRead file =
      files.readFile(QFile::encodeName(codec.toUnicode(codec.fromUnicode(settingsPath))).toStdString());
  switch (file.status) {
    case platform::FileRead::Status::Ok:
      return {};
    case platform::FileRead::Status::Missing:
      return Translate("The file does not exist.");
    case platform::FileRead::Status::Failed:
      return QString::fromLocal8Bit(file.failure.cause);
  }
  return {};
}

SmsCommandInputs ReadStoredSmsInputs(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files,
                                     const std::function<std::string()>& localAddress) {
  const QString local = codec.toUnicode(localAddress ? localAddress() : std::string());
  const StoredFields stored = ReadStoredFields(SettingsStore(settingsPath, codec, files), local);
  SmsCommandInputs in;
  in.serverMode = stored.serverMode;
  // The port field shows a stored value clamped to its limits.
  in.port = std::clamp<std::int32_t>(stored.port, kPortMinimum, kPortMaximum);
  in.staticIp = stored.staticIp;
  in.domainAddress = stored.domainAddress;
  in.commandType = stored.commandType;
  in.apnIndex = stored.apnIndex;
  in.otherApn = stored.otherApn;
  in.dtuNumber = stored.dtuNumber;
  return in;
}

}  // namespace dtu
