// SPDX-License-Identifier: MIT
#include "cli/SendCommand.h"

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/net/NetProbe.h"
#include "core/send/SmsPdu.h"
#include "cli/ConsoleReporter.h"
#include "core/send/SenderFactory.h"

namespace dtu {

int SendBatch(const BatchList& list, const QString& listPath, const SendOptions& options,
              const platform::Platform& platform, QByteArray& err) {
  std::vector<SendItem> items;
  int unsendable = 0;
  for (const BatchRow& row : list.rows) {
    if (!row.ok()) {
      ++unsendable;  // reported with the list's problems
    } else if (DialableNumber(row.simNumber).isEmpty()) {
      ++unsendable;
      ReportLine(err, ListLine(listPath, row.line),
           row.simNumber.isEmpty() ? Translate("no SIM number; not sent.")
                                   : FormatMessage(Translate("'%s' is not a number to send to; not sent."),
                                                   {row.simNumber}));
    } else {
      items.push_back({row.line, row.dtuNumber, row.simNumber, row.command});
    }
  }
  const QString logPath = options.log.isEmpty() ? listPath + QStringLiteral(".sent.csv") : options.log;
  SendLog log;
  QString error;
  if (!log.open(logPath, platform.files, &error)) {
    ReportLine(err, logPath, error);
    return 2;
  }
  std::unique_ptr<QIODevice> device;
  const std::unique_ptr<SmsSender> sender = StartSender(options, platform, device, error);
  if (!sender) {
    ReportLine(err, error);
    return 2;
  }
  // A long run shows where it is, on a terminal only.
  const BatchProgress progress = TerminalProgress(platform.process, WriteStandardError, N_("Sending %d of %d"));
  SendEvents events;
  events.starting = [&](std::size_t i) {
    if (progress) progress(static_cast<int>(i) + 1, static_cast<int>(items.size()));
  };
  events.done = [&](std::size_t i, const SendResult& result, bool skipped) {
    if (!skipped && !result.sent())
      ReportLine(err, ListLine(listPath, items[i].line),
           FormatMessage(Translate("not sent: %s"), {result.error}));
  };
  const SendSummary summary = RunSends(items, *sender, log, options.interval, options.resend, events);
  if (!summary.fatal.isEmpty()) ReportLine(err, logPath, summary.fatal);
  ReportLine(err, logPath,
       FormatMessage(Translate("%d sent, %d sent before, %d not sent."),
                     {QString::number(summary.sent), QString::number(summary.skipped),
                      QString::number(summary.failed + summary.notTried + unsendable)}));
  return summary.failed + summary.notTried + unsendable == 0 ? 0 : 1;
}

}  // namespace dtu
