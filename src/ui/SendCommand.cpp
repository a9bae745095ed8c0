// SPDX-License-Identifier: MIT
#include "ui/SendCommand.h"

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/net/NetProbe.h"
#include "core/send/GatewaySender.h"
#include "core/send/ModemSender.h"
#include "core/send/SmsPdu.h"
#include "ui/BatchCommand.h"


namespace dtu {

namespace {

QString DescribeSerialFailure(const QString& device, const platform::SerialFailure& failure) {
  const QString cause = QString::fromStdString(failure.cause);
  switch (failure.kind) {
    case platform::SerialFailure::Kind::Busy:
#ifdef Q_OS_WIN
      return FormatMessage(Translate("Another program holds %s (%s). Close the modem's own software and try again."),
                           {device, cause});
#else
      return FormatMessage(Translate("Another program holds %s (%s), on Linux usually ModemManager. Stop it "
                                     "(\"sudo systemctl stop ModemManager\") and try again."),
                           {device, cause});
#endif
    case platform::SerialFailure::Kind::Denied:
      return FormatMessage(Translate("You may not open %s (%s). Add yourself to the group that owns it "
                                     "(usually \"dialout\") and log in again."),
                           {device, cause});
    case platform::SerialFailure::Kind::NotFound:
      return FormatMessage(Translate("There is no serial device %s (%s). Is the modem plugged in?"), {device, cause});
    case platform::SerialFailure::Kind::Other:
      break;
  }
  return FormatMessage(Translate("Cannot open %s: %s"), {device, cause});
}

}  // namespace

std::unique_ptr<SmsSender> StartSender(const SendOptions& options, const platform::Platform& platform,
                                       std::unique_ptr<QIODevice>& device, QString& error) {
  std::unique_ptr<SmsSender> sender;
  const QString where = options.modem.isEmpty() ? options.gateway : options.modem;
  if (!options.modem.isEmpty()) {
    platform::SerialFailure failure;
    if (platform.serial) device = platform.serial->open(options.modem, options.baud, failure);
    else failure.cause = "no serial devices in this build";
    if (!device) {
      error = where + QStringLiteral(": ") + DescribeSerialFailure(options.modem, failure);
      return nullptr;
    }
    sender = std::make_unique<ModemSender>(*device);
  } else {
    net::ProbeServices services;
    services.network = &platform.network;
    sender = std::make_unique<GatewaySender>(options.gateway, services);
  }
  if (const QString problem = sender->start(); !problem.isEmpty()) {
    error = where + QStringLiteral(": ") + problem;
    return nullptr;
  }
  return sender;
}

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
    err += (QStringLiteral("dtusms: ") + error + QLatin1Char('\n')).toLocal8Bit();
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
