// SPDX-License-Identifier: MIT
// The record of what went where: a CSV file with one line per message,
// appended as each one completes, so that a kill loses at most the message in
// flight. A rerun reads it back and leaves out every message already sent.
#pragma once

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <QString>

#include "core/Expected.h"
#include "core/send/SmsSender.h"
#include "platform/FileStore.h"

namespace dtu {

struct SendRecord {
  QDateTime time;
  QString dtuNumber;
  QString simNumber;
  QString command;
  SendResult result;
};

class SendLog {
 public:
  // Reads the log at `path` (none yet is an empty log) and opens it for
  // appending; the failure's message is the cause.
  Status open(const QString& path, platform::FileStore& files);
  // Sent before, or handed over without a confirmation: sending it again
  // could configure the DTU twice.
  bool done(const QString& dtuNumber, const QString& simNumber, const QString& command) const;
  // One line, on disk before this returns.
  Status append(const SendRecord& record);

  // The log's text columns for one record (the first line is the header).
  static QString lineOf(const SendRecord& record);

 private:
  static QString key(const QString& dtuNumber, const QString& simNumber, const QString& command);
  QSet<QString> done_;
  QFile file_;
};

}  // namespace dtu
