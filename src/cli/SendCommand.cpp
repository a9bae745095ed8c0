// SPDX-License-Identifier: MIT
#include "cli/SendCommand.h"

#include <chrono>
#include <map>
#include <thread>

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
  auto journal = SqliteJournal::open(options.journalPath(), LivenessOf(platform.process));
  if (!journal) {
    ReportLine(err, journal.message());
    return ExitStatus::kUsageOrFileError;
  }
  SqliteJournal& records = *journal.value();
  if (const Status begun = records.beginRun(SendRoute(options), options.modem.isEmpty()); !begun) {
    ReportLine(err, begun.message());
    return ExitStatus::kUsageOrFileError;
  }
  const QString logPath = options.log.isEmpty() ? DefaultSendLogPath(listPath) : options.log;
  SendLog log;
  if (const Status opened = log.open(logPath, platform.files, &records); !opened) {
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
  // A long run shows where it is, on a terminal only.
  const BatchProgress progress = TerminalProgress(platform.process, WriteStandardError, N_("Sending %d of %d"));
  const auto eventsFor = [&](const std::vector<SendItem>& items) {
    SendEvents events;
    events.starting = [&, total = static_cast<int>(items.size())](std::size_t i) {
      if (progress) progress(static_cast<int>(i) + 1, total);
    };
    events.done = [&, rows = &items](std::size_t i, const SendOutcome& outcome) {
      const SendItem& item = (*rows)[i];
      ReportLine(err, ListLine(listPath, item.line), item.dtuNumber + QStringLiteral(": ") + OutcomeText(outcome));
      now();
    };
    events.stopRequested = [&] { return platform.process.terminationRequested() != 0; };
    return events;
  };
  const SendSummary summary =
      RunSends(plan.items, *sender.value(), records, &log, {options.interval, options.resend}, eventsFor(plan.items));
  if (summary.fatal) ReportLine(err, summary.fatal->message);
  ReportLine(err, logPath, SendSummaryLine(summary, plan));
  if (summary.unconfirmed > 0)
    ReportLine(err, Translate("Unconfirmed messages may have reached their DTUs: check them before --resend."));
  now();
  if (const int request = platform.process.terminationRequested(); request != 0) return StatusOfRequest(request);
  if (summary.fatal && summary.sent + summary.unconfirmed + summary.failed == 0) return ExitStatus::kUsageOrFileError;
  ExitStatus status = NotSentCount(summary, plan) == 0 ? ExitStatus::kSuccess : ExitStatus::kSomeRowsFailed;
  if (options.thenQueryMinutes < 0 || summary.fatal) return status;

  // Configure, then ask: after the wait, what the network reported decides who is asked.
  ReportLine(err, FormatMessage(Translate("Waiting %d min for the status reports..."),
                                {QString::number(options.thenQueryMinutes)}));
  now();
  const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(options.thenQueryMinutes);
  while (std::chrono::steady_clock::now() < until && platform.process.terminationRequested() == 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (const int request = platform.process.terminationRequested(); request != 0) return StatusOfRequest(request);
  if (const Status read = ReceiveInto(*sender.value(), records, err, now); !read)
    ReportLine(err, Translate("Without the reports, the DTUs the modem took the command for are asked."));
  const Expected<std::vector<RolloutRow>> rows = records.rollout();
  if (!rows) {
    ReportLine(err, rows.message());
    return ExitStatus::kUsageOrFileError;
  }
  const SendPlan queries = PlanQueries(plan, rows.value());
  if (queries.items.empty()) {
    ReportLine(err, Translate("No DTU of the list was delivered its command; none is asked."));
    return status;
  }
  for (const QString& line : ConsentLines(DescribeSends(queries, {}, options))) ReportLine(err, line);
  now();
  const SendSummary asked =
      RunSends(queries.items, *sender.value(), records, &log, {options.interval, false}, eventsFor(queries.items));
  if (asked.fatal) ReportLine(err, asked.fatal->message);
  ReportLine(err, logPath, SendSummaryLine(asked, queries));
  ReportLine(err, Translate("The answers come by SMS: read them with --receive."));
  now();
  if (const int request = platform.process.terminationRequested(); request != 0) return StatusOfRequest(request);
  return NotSentCount(asked, queries) == 0 ? status : ExitStatus::kSomeRowsFailed;
}

Status ReceiveInto(SmsSender& sender, SendJournal& journal, QByteArray& err, const std::function<void()>& now) {
  const Expected<ModemInbox> inbox = sender.inbox();
  if (!inbox) {
    ReportLine(err, inbox.message());
    return inbox.failure();
  }
  // Each one is in the journal before anything else is said of it.
  for (const StatusReport& report : inbox->reports) {
    bool changed = false;
    const Expected<QString> dtu = journal.recordReport(report, &changed);
    if (!dtu) {
      ReportLine(err, dtu.message());
      return dtu.failure();
    }
    if (!changed || dtu->isEmpty() || !report.final()) continue;
    const QString when = report.delivered.toLocalTime().toString(QStringLiteral("HH:mm"));
    ReportLine(err, dtu.value(),
               report.deliveredOk() ? FormatMessage(Translate("delivered %s"), {when})
                                    : FormatMessage(Translate("not delivered: %s"), {StatusMeaning(report.status)}));
  }
  for (const IncomingSms& sms : inbox->messages) {
    bool added = false;
    const Expected<QString> dtu = journal.storeIncoming(sms, &added);
    if (!dtu) {
      ReportLine(err, dtu.message());
      return dtu.failure();
    }
    if (!added) continue;
    if (!sms.problem.isEmpty())
      ReportLine(err, sms.sender,
                 FormatMessage(Translate("a message that cannot be read, kept as it came: %s"), {sms.problem}));
    else if (dtu->isEmpty())
      ReportLine(err, sms.sender, FormatMessage(Translate("from no DTU of the journal: %s"), {sms.text}));
    else
      ReportLine(err, FormatMessage(Translate("%s answered: %s"), {dtu.value(), sms.text}));
  }
  if (now) now();
  return Done{};
}

SendPlan PlanQueries(const SendPlan& sent, const std::vector<RolloutRow>& rows) {
  // Where any report came for these messages, only the delivered are asked; a
  // modem without reports leaves "sent" as the best there is.
  const auto rowOf = [&](const SendItem& item) -> const RolloutRow* {
    for (const RolloutRow& row : rows)
      if (JournalDtuKey(row.last.dtuNumber) == JournalDtuKey(item.dtuNumber) && row.last.command == item.command)
        return &row;
    return nullptr;
  };
  bool reported = false;
  for (const SendItem& item : sent.items)
    if (const RolloutRow* row = rowOf(item); row && row->delivery != Delivery::Unknown) reported = true;
  SendPlan queries;
  for (const SendItem& item : sent.items) {
    const RolloutRow* row = rowOf(item);
    if (!row) continue;
    const bool go = reported ? row->delivery == Delivery::Delivered : row->last.state == JournalState::Sent;
    if (go) queries.items.push_back({item.line, item.dtuNumber, item.simNumber, QString::fromLatin1(kSmsRunningQuery)});
  }
  return queries;
}

ExitStatus ReceiveFromModem(const SendOptions& options, const platform::Platform& platform, QByteArray& err,
                            const ErrorFlush& flush) {
  auto journal = SqliteJournal::open(options.journalPath(), LivenessOf(platform.process));
  if (!journal) {
    ReportLine(err, journal.message());
    return ExitStatus::kUsageOrFileError;
  }
  Expected<StartedSender> sender = StartSender(options, platform);
  if (!sender) {
    ReportLine(err, sender.message());
    return ExitStatus::kUsageOrFileError;
  }
  const Status received = ReceiveInto(*sender.value(), *journal.value(), err, [&] {
    if (flush) flush(err);
  });
  return received ? ExitStatus::kSuccess : ExitStatus::kUsageOrFileError;
}

ExitStatus ListJournal(const QString& journalPath, const QString& csvPath, const platform::Platform& platform,
                       QByteArray& out, QByteArray& err) {
  auto journal = SqliteJournal::open(journalPath, LivenessOf(platform.process));
  if (!journal) {
    ReportLine(err, journal.message());
    return ExitStatus::kUsageOrFileError;
  }
  const Expected<std::vector<JournalEntry>> entries = journal.value()->entries();
  if (!entries) {
    ReportLine(err, entries.message());
    return ExitStatus::kUsageOrFileError;
  }
  // The newest message of each DTU carries what came of it.
  const Expected<std::vector<RolloutRow>> rollout = journal.value()->rollout();
  if (!rollout) {
    ReportLine(err, rollout.message());
    return ExitStatus::kUsageOrFileError;
  }
  std::map<qint64, const RolloutRow*> outcome;
  for (const RolloutRow& row : rollout.value()) outcome[row.last.id] = &row;
  QString text =
      CsvLine({QStringLiteral("time"), QStringLiteral("DTU number"), QStringLiteral("SIM number"),
               QStringLiteral("command"), QStringLiteral("state"), QStringLiteral("reference"), QStringLiteral("route"),
               QStringLiteral("detail"), QStringLiteral("delivered"), QStringLiteral("answer")},
              CsvCellStyle::Spreadsheet);
  for (const JournalEntry& e : entries.value()) {
    QString delivered, answer;
    if (const auto found = outcome.find(e.id); found != outcome.end()) {
      const RolloutRow& row = *found->second;
      delivered = DeliveryName(row.delivery);
      if (row.deliveredAt.isValid())
        delivered += QLatin1Char(' ') + row.deliveredAt.toLocalTime().toString(Qt::ISODate);
      if (!row.deliveryDetail.isEmpty()) delivered += QStringLiteral(": ") + row.deliveryDetail;
      answer = row.answer;
    }
    text += CsvLine({e.time.toLocalTime().toString(Qt::ISODate), e.dtuNumber, e.simNumber, e.command,
                     JournalStateName(e.state), e.reference, e.route, e.detail, delivered, answer},
                    CsvCellStyle::Spreadsheet);
  }
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
