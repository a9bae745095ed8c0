// SPDX-License-Identifier: MIT
#include "core/send/SendPlan.h"

#include <QDir>

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SmsPdu.h"

namespace dtu {

namespace {

void Plan(SendPlan& plan, int line, const QString& dtuNumber, const QString& simNumber, const QString& command) {
  if (!DialableNumber(simNumber).isEmpty()) {
    plan.items.push_back({line, dtuNumber, simNumber, command});
  } else {
    plan.unsent.push_back(
        {line, simNumber.isEmpty()
                   ? Translate("no SIM number; not sent.")
                   : FormatMessage(Translate("'%s' is not a number to send to; not sent."), {simNumber})});
  }
}

}  // namespace

SendPlan PlanSends(const BatchList& list) {
  SendPlan plan;
  for (const BatchRow& row : list.rows) {
    if (row.ok())
      Plan(plan, row.line, row.dtuNumber, row.simNumber, row.command);
    else
      plan.unsent.push_back({row.line, {}});
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

int NotSentCount(const SendSummary& summary, std::size_t unsent) {
  return summary.failed + summary.notTried + static_cast<int>(unsent);
}

QString SendSummaryLine(const SendSummary& summary, std::size_t unsent) {
  return FormatMessage(Translate("%d sent, %d sent before, %d not sent."),
                       {QString::number(summary.sent), QString::number(summary.skipped),
                        QString::number(NotSentCount(summary, unsent))});
}

}  // namespace dtu
