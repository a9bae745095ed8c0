// SPDX-License-Identifier: MIT
#include "cli/SendCommand.h"

#include "cli/ConsoleReporter.h"
#include "core/config/AtomicFile.h"
#include "core/csv/Csv.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SendLog.h"
#include "core/send/SendPlan.h"
#include "core/send/SenderFactory.h"
#include "core/send/SqliteJournal.h"

namespace dtu {

namespace {

QString LocalTime(const QDateTime& time) { return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")); }

QString OutcomeText(const SendOutcome& outcome) {
  const SendResult& r = outcome.result;
  switch (outcome.kind) {
    case SendOutcome::Kind::Sent:
      return r.reference.isEmpty() ? Translate("sent.")
                                   : FormatMessage(Translate("sent, reference %s."), {r.reference});
    case SendOutcome::Kind::Unconfirmed:
      return FormatMessage(Translate("unconfirmed: %s Not sent again without --resend."), {r.error});
    case SendOutcome::Kind::Failed:
      return FormatMessage(Translate("failed: %s"), {r.error});
    case SendOutcome::Kind::SentBefore:
      return FormatMessage(Translate("%s before (%s); left out."),
                           {outcome.before.state == JournalState::Sent ? Translate("sent") : Translate("unconfirmed"),
                            LocalTime(outcome.before.time)});
    case SendOutcome::Kind::HeldElsewhere:
      return Translate("another run is sending it now; left out.");
  }
  return {};
}

ExitStatus StatusOfRequest(int code) {
  switch (code) {
    case 129:
      return ExitStatus::kHungUp;
    case 143:
      return ExitStatus::kTerminated;
    default:
      return ExitStatus::kInterrupted;
  }
}

}  // namespace

ExitStatus SendBatch(const BatchList& list, const QString& listPath, const SmsCommandInputs& base,
                     const SendOptions& options, const platform::Platform& platform, QByteArray& err,
                     const ErrorFlush& flush) {
  const auto now = [&] {
    if (flush) flush(err);
  };
  const SendPlan plan = PlanSends(list);
  for (const UnsentRow& row : plan.unsent)
    if (row.composed) ReportLine(err, ListLine(listPath, row.line), row.reason);
  if (plan.items.empty()) {
    ReportLine(err, listPath, Translate("No row can be sent."));
    return ExitStatus::kSomeRowsFailed;
  }
  const SendConsent consent = DescribeSends(plan, base, options);
  for (const QString& line : ConsentLines(consent)) ReportLine(err, line);
  if (!consent.warnings.isEmpty() && !options.acceptWarnings) {
    ReportLine(err, FormatMessage(Translate("Nothing was sent: the commands carry %d warning(s). Give "
                                            "--accept-warnings to send them all the same."),
                                  {QString::number(consent.warnings.size())}));
    return ExitStatus::kUsageOrFileError;
  }
  const QString journalPath = options.journal.isEmpty() ? DefaultJournalPath() : options.journal;
  auto journal = SqliteJournal::open(
      journalPath, {platform.process.id(), [&](long long pid) { return platform.process.isRunning(pid); }});
  if (!journal) {
    ReportLine(err, journal.message());
    return ExitStatus::kUsageOrFileError;
  }
  SqliteJournal& records = *journal.value();
  if (const Status begun = records.beginRun(SendRoute(options)); !begun) {
    ReportLine(err, begun.message());
    return ExitStatus::kUsageOrFileError;
  }
  const QString logPath = options.log.isEmpty() ? DefaultSendLogPath(listPath) : options.log;
  SendLog log;
  if (const Status imported = ImportSendLog(logPath, platform.files, records); !imported) {
    ReportLine(err, imported.message());
    return ExitStatus::kUsageOrFileError;
  }
  if (const Status opened = log.open(logPath, platform.files); !opened) {
    ReportLine(err, logPath, opened.message());
    return ExitStatus::kUsageOrFileError;
  }
  now();
  Expected<StartedSender> sender = StartSender(options, platform);
  if (!sender) {
    ReportLine(err, sender.message());
    return ExitStatus::kUsageOrFileError;
  }
  // Ctrl+C and SIGTERM let the message in flight finish and be recorded.
  platform.process.deferTerminationRequests();
  const std::vector<SendItem>& items = plan.items;
  // A long run shows where it is, on a terminal only.
  const BatchProgress progress = TerminalProgress(platform.process, WriteStandardError, N_("Sending %d of %d"));
  SendEvents events;
  events.starting = [&](std::size_t i) {
    if (progress) progress(static_cast<int>(i) + 1, static_cast<int>(items.size()));
  };
  events.done = [&](std::size_t i, const SendOutcome& outcome) {
    ReportLine(err, ListLine(listPath, items[i].line),
               items[i].dtuNumber + QStringLiteral(": ") + OutcomeText(outcome));
    now();
  };
  events.stopRequested = [&] { return platform.process.terminationRequested() != 0; };
  const SendSummary summary =
      RunSends(items, *sender.value(), records, &log, {options.interval, options.resend}, events);
  if (summary.fatal) ReportLine(err, summary.fatal->message);
  ReportLine(err, logPath, SendSummaryLine(summary, plan));
  if (summary.unconfirmed > 0)
    ReportLine(err, Translate("Unconfirmed messages may have reached their DTUs: check them before --resend."));
  now();
  if (const int request = platform.process.terminationRequested(); request != 0) return StatusOfRequest(request);
  if (summary.fatal && summary.sent + summary.unconfirmed + summary.failed == 0) return ExitStatus::kUsageOrFileError;
  return NotSentCount(summary, plan) == 0 ? ExitStatus::kSuccess : ExitStatus::kSomeRowsFailed;
}

ExitStatus ListJournal(const QString& journalPath, const QString& csvPath, const platform::Platform& platform,
                       QByteArray& out, QByteArray& err) {
  auto journal = SqliteJournal::open(
      journalPath, {platform.process.id(), [&](long long pid) { return platform.process.isRunning(pid); }});
  if (!journal) {
    ReportLine(err, journal.message());
    return ExitStatus::kUsageOrFileError;
  }
  const Expected<std::vector<JournalEntry>> entries = journal.value()->entries();
  if (!entries) {
    ReportLine(err, entries.message());
    return ExitStatus::kUsageOrFileError;
  }
  QString text = CsvLine(
      {QStringLiteral("time"), QStringLiteral("DTU number"), QStringLiteral("SIM number"), QStringLiteral("command"),
       QStringLiteral("state"), QStringLiteral("reference"), QStringLiteral("route"), QStringLiteral("detail")},
      CsvCellStyle::Spreadsheet);
  for (const JournalEntry& e : entries.value())
    text += CsvLine({e.time.toLocalTime().toString(Qt::ISODate), e.dtuNumber, e.simNumber, e.command,
                     JournalStateName(e.state), e.reference, e.route, e.detail},
                    CsvCellStyle::Spreadsheet);
  const QByteArray bytes = text.toUtf8();
  if (csvPath.isEmpty()) {
    out += bytes;
    return ExitStatus::kSuccess;
  }
  if (const Status written = WriteFileAtomically(csvPath, "\xEF\xBB\xBF" + bytes); !written) {
    ReportLine(err, csvPath, written.message());
    return ExitStatus::kUsageOrFileError;
  }
  return ExitStatus::kSuccess;
}

}  // namespace dtu
