// SPDX-License-Identifier: MIT
// "dtusms --batch LIST --send-modem DEVICE | --send-gateway URL": the
// composed rows go out one by one, each recorded in the send log.
#pragma once

#include <QByteArray>
#include <QString>

#include "core/batch/BatchList.h"
#include "core/send/SendRun.h"
#include "platform/Platform.h"

namespace dtu {

// Sends the rows of `list` that composed and have a SIM number; the others
// are reported on `err` as "LIST:LINE: message". 0 when every such row was
// sent or was in the log already, 1 when some were not, 2 when nothing could
// start (device, gateway, log).
int SendBatch(const BatchList& list, const QString& listPath, const SendOptions& options,
              const platform::Platform& platform, QByteArray& err);

}  // namespace dtu
