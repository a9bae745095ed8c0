// SPDX-License-Identifier: MIT
// "dtusms --batch LIST --send-modem DEVICE | --send-gateway URL": the
// composed rows go out one by one through the send journal, each reported as
// it completes; and "dtusms --journal", which lists that journal.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "cli/ExitStatus.h"
#include "core/batch/BatchList.h"
#include "core/send/SendJournal.h"
#include "core/send/SendPlan.h"
#include "core/send/SendRun.h"
#include "core/sms/SmsComposer.h"
#include "platform/Platform.h"

namespace dtu {

// Hands what `err` holds to the user now (and empties it); nothing: it stays.
using ErrorFlush = std::function<void(QByteArray& err)>;

// Prints what goes out (count, command, server, APN, route, time, the
// check's warnings) and refuses warnings without options.acceptWarnings;
// then sends the rows of `list` that composed and have a SIM number, each
// line on `err` as it happens. kSuccess when every row was sent now or before,
// kSomeRowsFailed when some were not, kUsageOrFileError when nothing could
// start (warnings, journal, device, gateway, log), 128 + a signal's number
// when a termination request stopped it.
ExitStatus SendBatch(const BatchList& list, const QString& listPath, const SmsCommandInputs& base,
                     const SendOptions& options, const platform::Platform& platform, QByteArray& err,
                     const ErrorFlush& flush = {});

// The status reports and messages the modem holds, into the journal (each
// committed before it is told), and a line for each that is new.
Status ReceiveInto(SmsSender& sender, SendJournal& journal, QByteArray& err, const std::function<void()>& now = {});
// "dtusms --receive DEVICE": the same from the command line.
ExitStatus ReceiveFromModem(const SendOptions& options, const platform::Platform& platform, QByteArray& err,
                            const ErrorFlush& flush = {});
// The running query for each DTU of `sent` whose command was delivered, or
// sent where no report came for any of them.
SendPlan PlanQueries(const SendPlan& sent, const std::vector<RolloutRow>& rows);

// The journal, newest first, as CSV (time, DTU number, SIM number, command,
// state, reference, route, detail) on `out`, or into `csvPath`.
ExitStatus ListJournal(const QString& journalPath, const QString& csvPath, const platform::Platform& platform,
                       QByteArray& out, QByteArray& err);

}  // namespace dtu
