// SPDX-License-Identifier: MIT
#include "core/send/SendLog.h"

#include <QFileInfo>
#include <QStringList>

#include "core/csv/Csv.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"

namespace dtu {

namespace {

const char kHeader[] = "time,DTU number,SIM number,command,result,reference\r\n";

QString ResultWord(SendResult::Status status) {
  switch (status) {
    case SendResult::Status::Sent:
      return QStringLiteral("sent");
    case SendResult::Status::Unconfirmed:
      return QStringLiteral("unconfirmed");
    case SendResult::Status::Failed:
      break;
  }
  return QStringLiteral("failed");
}

// A cell as written, without the blanks and the formula guard around it.
QString Plain(const QString& cell) {
  QString text = cell.trimmed();
  if (text.size() > 1 && text.front() == QLatin1Char('\'') && QStringLiteral("=+-@").contains(text.at(1)))
    text.remove(0, 1);
  return text;
}

}  // namespace

QString SendLog::lineOf(const SendRecord& r) {
  QString result = ResultWord(r.result.status);
  if (!r.result.error.isEmpty()) result += QStringLiteral(": ") + r.result.error;
  const QString time = r.time.toOffsetFromUtc(r.time.offsetFromUtc()).toString(Qt::ISODate);
  return CsvLine({time, r.dtuNumber, r.simNumber, r.command, result, r.result.reference}, CsvCellStyle::Spreadsheet);
}

namespace {

// The log's record into `journal`, once: a log made by this version is marked
// read too, so that it is never read for a decision.
Status Import(const QString& path, const platform::FileRead& read, SendJournal& journal) {
  std::vector<JournalEntry> found;
  if (read.status == platform::FileRead::Status::Ok) {
    found = SendLogEntries(QByteArray(read.bytes.data(), static_cast<qsizetype>(read.bytes.size())));
    for (JournalEntry& e : found) e.route = FormatMessage(Translate("from the send log %s"), {path});
  }
  const Expected<bool> imported = journal.importOnce(QFileInfo(path).absoluteFilePath(), found);
  if (!imported) return imported.failure();
  return Done{};
}

}  // namespace

Status SendLog::open(const QString& path, platform::FileStore& files, SendJournal* importInto) {
  const platform::FileRead read = files.readFile(QFile::encodeName(path).toStdString());
  if (read.status == platform::FileRead::Status::Failed) {
    const QString cause = QString::fromStdString(read.failure.cause);
    return Failure{cause, cause};
  }
  if (importInto) {
    if (Status imported = Import(path, read, *importInto); !imported) return imported;
  }
  file_.setFileName(path);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) return Failure{file_.errorString(), file_.errorString()};
  // A torn last line gets its own end, so the next record starts a line.
  QByteArray start;
  if (read.bytes.empty())
    start = kHeader;
  else if (read.bytes.back() != '\n')
    start = "\r\n";
  if (!start.isEmpty() && (file_.write(start) != start.size() || !file_.flush()))
    return Failure{file_.errorString(), file_.errorString()};
  return Done{};
}

Status SendLog::append(const SendRecord& record) {
  const QByteArray line = lineOf(record).toUtf8();
  if (file_.write(line) != line.size() || !file_.flush()) return Failure{file_.errorString(), file_.errorString()};
  return Done{};
}

std::vector<JournalEntry> SendLogEntries(const QByteArray& bytes) {
  std::vector<JournalEntry> found;
  const QString text = QString::fromUtf8(bytes);  // the reader keeps a reference
  CsvReader reader(text, QLatin1Char(','));
  bool header = true;
  while (!reader.atEnd()) {
    const QStringList cells = reader.next().cells;
    if (std::exchange(header, false) && Plain(cells.value(0)).compare(QLatin1String("time"), Qt::CaseInsensitive) == 0)
      continue;
    const QString result = Plain(cells.value(4)).toLower();
    JournalEntry e;
    if (result.startsWith(QLatin1String("sent")))
      e.state = JournalState::Sent;
    else if (result.startsWith(QLatin1String("unconfirmed")) || result.startsWith(QLatin1String("not confirmed")))
      e.state = JournalState::Unconfirmed;
    else
      continue;
    e.time = QDateTime::fromString(Plain(cells.value(0)), Qt::ISODate);
    e.dtuNumber = Plain(cells.value(1));
    e.simNumber = Plain(cells.value(2));
    e.command = Plain(cells.value(3));
    e.reference = Plain(cells.value(5));
    if (e.dtuNumber.isEmpty() || e.command.isEmpty()) continue;
    found.push_back(e);
  }
  return found;
}

Status ImportSendLog(const QString& path, platform::FileStore& files, SendJournal& journal) {
  const platform::FileRead read = files.readFile(QFile::encodeName(path).toStdString());
  if (read.status == platform::FileRead::Status::Failed) {
    const QString cause = QString::fromStdString(read.failure.cause);
    return Failure{FormatMessage(Translate("Cannot read the send log %s: %s"), {path, cause}), cause};
  }
  return Import(path, read, journal);
}

}  // namespace dtu
