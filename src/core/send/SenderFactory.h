// SPDX-License-Identifier: MIT
// The modem or gateway that a set of send options names, opened and ready.
#pragma once

#include <QIODevice>
#include <memory>

#include "core/Expected.h"
#include "core/send/SendRun.h"
#include "core/send/SmsSender.h"
#include "platform/Platform.h"

namespace dtu {

struct StartedSender {
  std::unique_ptr<QIODevice> device;  // the modem's line; none for a gateway
  std::unique_ptr<SmsSender> sender;  // declared last: it goes before the line it speaks on
  SmsSender& operator*() const { return *sender; }
  SmsSender* operator->() const { return sender.get(); }
};

// The failure's message names where: "DEVICE: message" or "URL: message".
Expected<StartedSender> StartSender(const SendOptions& options, const platform::Platform& platform);

}  // namespace dtu
