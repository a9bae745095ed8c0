// SPDX-License-Identifier: MIT
#include "cli/SendCommand.h"

#include "cli/ConsoleReporter.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SendPlan.h"
#include "core/send/SenderFactory.h"

namespace dtu {

ExitStatus SendBatch(const BatchList& list, const QString& listPath, const SendOptions& options,
                     const platform::Platform& platform, QByteArray& err) {
  const SendPlan plan = PlanSends(list);
  for (const UnsentRow& row : plan.unsent)
    if (!row.reason.isEmpty()) ReportLine(err, ListLine(listPath, row.line), row.reason);
  const std::vector<SendItem>& items = plan.items;
  const QString logPath = options.log.isEmpty() ? DefaultSendLogPath(listPath) : options.log;
  SendLog log;
  if (const Status opened = log.open(logPath, platform.files); !opened) {
    ReportLine(err, logPath, opened.message());
    return ExitStatus::kUsageOrFileError;
  }
  Expected<StartedSender> sender = StartSender(options, platform);
  if (!sender) {
    ReportLine(err, sender.message());
    return ExitStatus::kUsageOrFileError;
  }
  // A long run shows where it is, on a terminal only.
  const BatchProgress progress = TerminalProgress(platform.process, WriteStandardError, N_("Sending %d of %d"));
  SendEvents events;
  events.starting = [&](std::size_t i) {
    if (progress) progress(static_cast<int>(i) + 1, static_cast<int>(items.size()));
  };
  events.done = [&](std::size_t i, const SendResult& result, bool skipped) {
    if (!skipped && !result.sent())
      ReportLine(err, ListLine(listPath, items[i].line), FormatMessage(Translate("not sent: %s"), {result.error}));
  };
  const SendSummary summary = RunSends(items, *sender.value(), log, options.interval, options.resend, events);
  if (summary.fatal) ReportLine(err, logPath, summary.fatal->message);
  ReportLine(err, logPath, SendSummaryLine(summary, plan.unsent.size()));
  return NotSentCount(summary, plan.unsent.size()) == 0 ? ExitStatus::kSuccess : ExitStatus::kSomeRowsFailed;
}

}  // namespace dtu
