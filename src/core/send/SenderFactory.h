// SPDX-License-Identifier: MIT
// The modem or gateway that a set of send options names, opened and ready.
#pragma once

#include <QIODevice>
#include <QString>
#include <memory>

#include "core/send/SendRun.h"
#include "core/send/SmsSender.h"
#include "platform/Platform.h"

namespace dtu {

// Null with the cause ("WHERE: message") in `error`. `device` keeps the
// modem's line open for as long as the sender lives.
std::unique_ptr<SmsSender> StartSender(const SendOptions& options, const platform::Platform& platform,
                                       std::unique_ptr<QIODevice>& device, QString& error);

}  // namespace dtu
