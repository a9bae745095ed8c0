// SPDX-License-Identifier: MIT
#include "core/send/SendLog.h"

#include <QStringList>

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SmsPdu.h"

namespace dtu {

namespace {

const char kHeader[] = "time,DTU number,SIM number,command,result,reference\r\n";

QString Cell(const QString& value) {
  if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\n')) &&
      !value.contains(QLatin1Char('\r')))
    return value;
  QString quoted = value;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// RFC 4180 records; a torn last line (a kill mid-write) is one short record.
std::vector<QStringList> Records(const QString& text) {
  std::vector<QStringList> records;
  QStringList record;
  QString cell;
  bool quoted = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (quoted) {
      if (c != QLatin1Char('"')) {
        cell += c;
      } else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
        cell += c;
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == QLatin1Char('"')) {
      quoted = true;
    } else if (c == QLatin1Char(',')) {
      record << cell;
      cell.clear();
    } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
      if (!cell.isEmpty() || !record.isEmpty()) records.push_back(record << cell);
      record.clear();
      cell.clear();
    } else {
      cell += c;
    }
  }
  if (!cell.isEmpty() || !record.isEmpty()) records.push_back(record << cell);
  return records;
}

QString ResultWord(SendResult::Status status) {
  switch (status) {
    case SendResult::Status::Sent:
      return QStringLiteral("sent");
    case SendResult::Status::Unconfirmed:
      return QStringLiteral("unconfirmed");
    case SendResult::Status::Failed:
    case SendResult::Status::Broken:
      break;
  }
  return QStringLiteral("failed");
}

}  // namespace

QString SendLog::Key(const QString& dtuNumber, const QString& simNumber, const QString& command) {
  return dtuNumber.toCaseFolded() + QChar(0) + DialableNumber(simNumber) + QChar(0) + command;
}

QString SendLog::Line(const SendRecord& r) {
  QString result = ResultWord(r.result.status);
  if (!r.result.error.isEmpty()) result += QStringLiteral(": ") + r.result.error;
  const QStringList cells = {r.time.toOffsetFromUtc(r.time.offsetFromUtc()).toString(Qt::ISODate), r.dtuNumber,
                             r.simNumber, r.command, result, r.result.reference};
  QStringList quoted;
  for (const QString& cell : cells) quoted << Cell(cell);
  return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

bool SendLog::open(const QString& path, platform::FileStore& files, QString* error) {
  const platform::FileRead read = files.readFile(QFile::encodeName(path).toStdString());
  if (read.status == platform::FileRead::Status::Failed) {
    *error = QString::fromStdString(read.failure.cause);
    return false;
  }
  const QString text = QString::fromUtf8(read.bytes);
  const std::vector<QStringList> records = Records(text);
  if (!records.empty() && records.front().value(0) != QLatin1String("time")) {
    *error = Translate("This file is not a send log.");
    return false;
  }
  for (std::size_t i = 1; i < records.size(); ++i) {
    const QString result = records[i].value(4);
    if (result == QLatin1String("sent") || result.startsWith(QLatin1String("unconfirmed")))
      done_.insert(Key(records[i].value(1), records[i].value(2), records[i].value(3)));
  }
  file_.setFileName(path);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
    *error = file_.errorString();
    return false;
  }
  // A torn last line gets its own end, so the next record starts a line.
  QByteArray start;
  if (read.bytes.empty()) start = kHeader;
  else if (read.bytes.back() != '\n') start = "\r\n";
  if (!start.isEmpty() && (file_.write(start) != start.size() || !file_.flush())) {
    *error = file_.errorString();
    return false;
  }
  return true;
}

bool SendLog::done(const QString& dtuNumber, const QString& simNumber, const QString& command) const {
  return done_.contains(Key(dtuNumber, simNumber, command));
}

bool SendLog::append(const SendRecord& record, QString* error) {
  const QByteArray line = Line(record).toUtf8();
  if (file_.write(line) != line.size() || !file_.flush()) {
    *error = file_.errorString();
    return false;
  }
  if (record.result.sent() || record.result.status == SendResult::Status::Unconfirmed)
    done_.insert(Key(record.dtuNumber, record.simNumber, record.command));
  return true;
}

}  // namespace dtu
