// SPDX-License-Identifier: MIT
// What goes out when a list is sent, and the words around it: the command
// line and the window send the same rows, ask the same consent, name the same
// log and count alike.
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <vector>

#include "core/batch/BatchList.h"
#include "core/send/SendRun.h"
#include "core/sms/SmsComposer.h"

namespace dtu {

// A row that does not go out.
struct UnsentRow {
  int line = 0;
  QString dtuNumber;
  // Translated: why it does not go.
  QString reason;
  bool composed = false;  // false: the row did not compose; true: no number to send to
};

struct SendPlan {
  std::vector<SendItem> items;  // list order
  std::vector<UnsentRow> unsent;
  int withoutSimNumber() const;
  int notComposed() const;
};

// The rows that composed and have a SIM number a modem can dial.
SendPlan PlanSends(const BatchList& list);
// One composed command for one SIM number (line 0).
SendPlan PlanSend(const QString& dtuNumber, const QString& simNumber, const QString& command);

// The log a list's sends are recorded in unless another is named: beside the
// list; for what has no list file, the one in the user's `dataFolder`.
QString DefaultSendLogPath(const QString& listPath, const QString& dataFolder = {});

// What the technician agrees to before anything goes.
struct SendConsent {
  int messages = 0;
  QString command;            // the first message's
  bool commandsVary = false;  // each message carries its own DTU number
  QString server;
  int port = 0;
  QString apn;
  QString route;                    // the device, or the gateway's host
  std::chrono::seconds duration{};  // at the pacing interval
  QStringList warnings;             // the check's, whole, each once, translated
};
SendConsent DescribeSends(const SendPlan& plan, const SmsCommandInputs& base, const SendOptions& options);
// The consent as lines, translated: the same on standard error and in the dialog.
QStringList ConsentLines(const SendConsent& consent);
// Where a send goes: the device, or the gateway's host (never its password or path).
QString SendRoute(const SendOptions& options);

// Not sent for any reason: failed, unconfirmed, held, not tried, or never
// able to go (`unsent`).
int NotSentCount(const SendSummary& summary, const SendPlan& plan);
// "3 sent, 1 unconfirmed, 2 not tried, 4 sent before, 1 without a SIM number."
// Only the counts that are not 0, "sent" always.
QString SendSummaryLine(const SendSummary& summary, const SendPlan& plan);

}  // namespace dtu
