// SPDX-License-Identifier: MIT
#include "core/send/SendPlan.h"

#include <QDir>
#include <QUrl>
#include <algorithm>

#include "core/batch/BatchProblems.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SmsPdu.h"
#include "core/sms/SmsCheck.h"

namespace dtu {

namespace {

void Plan(SendPlan& plan, int line, const QString& dtuNumber, const QString& simNumber, const QString& command) {
  if (!DialableNumber(simNumber).isEmpty()) {
    plan.items.push_back({line, dtuNumber, simNumber, command});
  } else {
    plan.unsent.push_back({line, dtuNumber,
                           simNumber.isEmpty()
                               ? Translate("no SIM number; not sent.")
                               : FormatMessage(Translate("'%s' is not a number to send to; not sent."), {simNumber}),
                           true});
  }
}

QString Count(const char* format, int n) { return FormatMessage(Translate(format), {QString::number(n)}); }

}  // namespace

int SendPlan::withoutSimNumber() const {
  return static_cast<int>(std::count_if(unsent.begin(), unsent.end(), [](const UnsentRow& r) { return r.composed; }));
}

int SendPlan::notComposed() const { return static_cast<int>(unsent.size()) - withoutSimNumber(); }

SendPlan PlanSends(const BatchList& list) {
  SendPlan plan;
  for (const BatchRow& row : list.rows) {
    if (row.ok())
      Plan(plan, row.line, row.dtuNumber, row.simNumber, row.command);
    else
      plan.unsent.push_back({row.line, row.dtuNumber, DescribeBatchProblem(row), false});
  }
  return plan;
}

SendPlan PlanSend(const QString& dtuNumber, const QString& simNumber, const QString& command) {
  SendPlan plan;
  Plan(plan, 0, dtuNumber, simNumber, command);
  return plan;
}

QString DefaultSendLogPath(const QString& listPath, const QString& dataFolder) {
  if (listPath.isEmpty()) return QDir(dataFolder).filePath(QStringLiteral("sent.csv"));
  return listPath + QStringLiteral(".sent.csv");
}

QString SendRoute(const SendOptions& options) {
  if (!options.modem.isEmpty()) return options.modem;
  const QUrl url(options.gateway);
  return url.host().isEmpty() ? QString()
                              : url.host() + (url.port() > 0 ? QStringLiteral(":%1").arg(url.port()) : QString());
}

SendConsent DescribeSends(const SendPlan& plan, const SmsCommandInputs& base, const SendOptions& options) {
  SendConsent consent;
  consent.messages = static_cast<int>(plan.items.size());
  if (!plan.items.empty()) consent.command = plan.items.front().command;
  consent.commandsVary = std::any_of(plan.items.begin(), plan.items.end(),
                                     [&](const SendItem& item) { return item.command != consent.command; });
  const bool configures = base.commandType == kSmsCommandConfiguration;
  consent.server = configures ? CommandServerAddress(base) : QString();
  consent.port = configures ? base.port : 0;
  consent.apn = configures ? CommandApn(base) : QString();
  consent.route = SendRoute(options);
  const auto gaps = std::max<std::int64_t>(consent.messages - 1, 0);
  consent.duration = std::chrono::duration_cast<std::chrono::seconds>(options.interval * gaps);
  // Each message's own check, for the DTU number it carries; a warning that
  // several carry is said once.
  for (const SendItem& item : plan.items) {
    SmsCommandInputs inputs = base;
    inputs.dtuNumber = item.dtuNumber;
    const MessageLine line = SmsCheckMessage(item.command, inputs);
    for (std::size_t i = 1; i < line.parts.size(); ++i) {
      const QString warning = MessageLine{{line.parts[i]}}.text();
      if (!consent.warnings.contains(warning)) consent.warnings << warning;
    }
  }
  return consent;
}

QStringList ConsentLines(const SendConsent& c) {
  QStringList lines;
  lines << FormatMessage(Translate("Messages to send: %d, through %s."), {QString::number(c.messages), c.route});
  lines << FormatMessage(c.commandsVary ? Translate("Command of the first: %s (each carries its own DTU number).")
                                        : Translate("Command: %s"),
                         {c.command});
  if (!c.server.isEmpty())
    lines << FormatMessage(Translate("Server %s, port %d, APN %s."), {c.server, QString::number(c.port), c.apn});
  const auto minutes = c.duration.count() / 60;
  lines << (minutes > 0
                ? FormatMessage(Translate("About %d min %d s at the interval."),
                                {QString::number(minutes), QString::number(c.duration.count() % 60)})
                : FormatMessage(Translate("About %d s at the interval."), {QString::number(c.duration.count())}));
  for (const QString& warning : c.warnings) lines << FormatMessage(Translate("Warning: %s"), {warning});
  return lines;
}

int NotSentCount(const SendSummary& s, const SendPlan& plan) {
  return s.failed + s.unconfirmed + s.heldElsewhere + s.notTried + static_cast<int>(plan.unsent.size());
}

QString SendSummaryLine(const SendSummary& s, const SendPlan& plan) {
  QStringList parts{Count(N_("%d sent"), s.sent)};
  const std::pair<const char*, int> counts[] = {
      {N_("%d unconfirmed"), s.unconfirmed},
      {N_("%d failed"), s.failed},
      {N_("%d not tried"), s.notTried},
      {N_("%d sent before"), s.sentBefore},
      {N_("%d held by another run"), s.heldElsewhere},
      {N_("%d without a SIM number"), plan.withoutSimNumber()},
      {N_("%d did not compose"), plan.notComposed()},
  };
  for (const auto& [format, n] : counts)
    if (n > 0) parts << Count(format, n);
  return parts.join(QStringLiteral(", ")) + QLatin1Char('.');
}

}  // namespace dtu
