// SPDX-License-Identifier: MIT
// What goes out when a list is sent, and the words around it: the command
// line and the window send the same rows, name the same log and count alike.
#pragma once

#include <QString>
#include <vector>

#include "core/batch/BatchList.h"
#include "core/send/SendRun.h"

namespace dtu {

// A row that does not go out.
struct UnsentRow {
  int line = 0;
  // Translated, for a row that composed but has no number to send to; empty
  // for a row that did not compose, whose own problem says why.
  QString reason;
};

struct SendPlan {
  std::vector<SendItem> items;  // list order
  std::vector<UnsentRow> unsent;
};

// The rows that composed and have a SIM number a modem can dial.
SendPlan PlanSends(const BatchList& list);
// One composed command for one SIM number (line 0).
SendPlan PlanSend(const QString& dtuNumber, const QString& simNumber, const QString& command);

// The log a list's sends are recorded in unless another is named: beside the
// list; for what has no list file, the one in the user's `dataFolder`.
QString DefaultSendLogPath(const QString& listPath, const QString& dataFolder = {});

// What did not go: failed, unconfirmed or not tried, and the `unsent` rows
// that never could.
int NotSentCount(const SendSummary& summary, std::size_t unsent = 0);
// "%d sent, %d sent before, %d not sent."
QString SendSummaryLine(const SendSummary& summary, std::size_t unsent = 0);

}  // namespace dtu
