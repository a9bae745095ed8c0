// SPDX-License-Identifier: MIT
// The send log: a CSV report for people, one line per message, appended as
// each one completes. The journal decides what is sent; this file is never
// read back for that, except once, when a log of an earlier version is
// imported into the journal.
#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>
#include <vector>

#include "core/Expected.h"
#include "core/send/SendJournal.h"
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
  // Opens the log at `path` for appending (a new one gets its header); the
  // failure's message is the cause. With `importInto`, what the log records
  // goes into that journal first (ImportSendLog), from the same one read.
  Status open(const QString& path, platform::FileStore& files, SendJournal* importInto = nullptr);
  // One line, on disk before this returns; cells that a spreadsheet would
  // run as a formula are kept as text.
  Status append(const SendRecord& record);
  QString path() const { return file_.fileName(); }

  // The log's text columns for one record (the first line is the header).
  static QString lineOf(const SendRecord& record);

 private:
  QFile file_;
};

// The messages a send log records as sent or unconfirmed, read leniently (a
// result in any case, cells with blanks around them, a torn last line, a
// guarded cell): the protection an older version gave them is kept.
std::vector<JournalEntry> SendLogEntries(const QByteArray& bytes);

// Reads the log at `path` into `journal` once (the journal remembers which
// logs it read); none there is nothing to do.
Status ImportSendLog(const QString& path, platform::FileStore& files, SendJournal& journal);

}  // namespace dtu
