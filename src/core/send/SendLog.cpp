// SPDX-License-Identifier: MIT
#include "core/send/SendLog.h"

#include <QStringList>

#include "core/csv/Csv.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/sms/SimNumber.h"

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
    case SendResult::Status::Broken:
      break;
  }
  return QStringLiteral("failed");
}

}  // namespace

QString SendLog::key(const QString& dtuNumber, const QString& simNumber, const QString& command) {
  return dtuNumber.toCaseFolded() + QChar(0) + DialableNumber(simNumber) + QChar(0) + command;
}

QString SendLog::lineOf(const SendRecord& r) {
  QString result = ResultWord(r.result.status);
  if (!r.result.error.isEmpty()) result += QStringLiteral(": ") + r.result.error;
  const QString time = r.time.toOffsetFromUtc(r.time.offsetFromUtc()).toString(Qt::ISODate);
  return CsvLine({time, r.dtuNumber, r.simNumber, r.command, result, r.result.reference}, CsvCellStyle::Plain);
}

Status SendLog::open(const QString& path, platform::FileStore& files) {
  const platform::FileRead read = files.readFile(QFile::encodeName(path).toStdString());
  if (read.status == platform::FileRead::Status::Failed) {
    const QString cause = QString::fromStdString(read.failure.cause);
    return Failure{cause, cause};
  }
  const QString text = QString::fromUtf8(read.bytes);
  // A torn last line (a kill mid-write) is one short record.
  std::vector<QStringList> records;
  CsvReader reader(text, QLatin1Char(','));
  while (!reader.atEnd()) {
    CsvRecord record = reader.next();
    if (record.cells != QStringList{QString()}) records.push_back(std::move(record.cells));
  }
  if (!records.empty() && records.front().value(0) != QLatin1String("time")) {
    return Failure{Translate("This file is not a send log.")};
  }
  for (std::size_t i = 1; i < records.size(); ++i) {
    const QString result = records[i].value(4);
    if (result == QLatin1String("sent") || result.startsWith(QLatin1String("unconfirmed")))
      done_.insert(key(records[i].value(1), records[i].value(2), records[i].value(3)));
  }
  file_.setFileName(path);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
    return Failure{file_.errorString(), file_.errorString()};
  }
  // A torn last line gets its own end, so the next record starts a line.
  QByteArray start;
  if (read.bytes.empty())
    start = kHeader;
  else if (read.bytes.back() != '\n')
    start = "\r\n";
  if (!start.isEmpty() && (file_.write(start) != start.size() || !file_.flush())) {
    return Failure{file_.errorString(), file_.errorString()};
  }
  return Done{};
}

bool SendLog::done(const QString& dtuNumber, const QString& simNumber, const QString& command) const {
  return done_.contains(key(dtuNumber, simNumber, command));
}

Status SendLog::append(const SendRecord& record) {
  const QByteArray line = lineOf(record).toUtf8();
  if (file_.write(line) != line.size() || !file_.flush()) {
    return Failure{file_.errorString(), file_.errorString()};
  }
  if (record.result.sent() || record.result.status == SendResult::Status::Unconfirmed)
    done_.insert(key(record.dtuNumber, record.simNumber, record.command));
  return Done{};
}

}  // namespace dtu
