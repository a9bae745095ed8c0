// SPDX-License-Identifier: MIT
// "dtusms --batch LIST --send-modem DEVICE | --send-gateway URL": the
// composed rows go out one by one, each recorded in the send log.
#pragma once

#include <QByteArray>
#include <QString>

#include "cli/ExitStatus.h"
#include "core/batch/BatchList.h"
#include "core/send/SendRun.h"
#include "platform/Platform.h"

namespace dtu {

// Sends the rows of `list` that composed and have a SIM number; a composed
// row without one is reported on `err` as "LIST:LINE: message". kSuccess when
// every row was sent or was in the log already, kSomeRowsFailed when some were
// not (rows that did not compose included), kUsageOrFileError when nothing
// could start (device, gateway, log).
ExitStatus SendBatch(const BatchList& list, const QString& listPath, const SendOptions& options,
                     const platform::Platform& platform, QByteArray& err);

}  // namespace dtu
