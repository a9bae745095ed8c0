// SPDX-License-Identifier: MIT
// The modem or gateway that a set of send options names, opened and ready.
#pragma once

#include <QIODevice>
#include <chrono>
#include <memory>

#include "core/Expected.h"
#include "core/send/SendRun.h"
#include "core/send/SmsSender.h"
#include "platform/Platform.h"

namespace dtu {

// The pacing a user may choose: none to an hour between messages.
inline constexpr std::chrono::seconds kMaxSendInterval{3600};
inline bool SendIntervalInRange(double seconds) { return seconds >= 0 && seconds <= kMaxSendInterval.count(); }

struct StartedSender {
  std::unique_ptr<QIODevice> device;  // the modem's line; none for a gateway
  std::unique_ptr<SmsSender> sender;  // declared last: it goes before the line it speaks on
  SmsSender& operator*() const { return *sender; }
  SmsSender* operator->() const { return sender.get(); }
};

// The failure's message names where: "DEVICE: message" or "URL: message".
Expected<StartedSender> StartSender(const SendOptions& options, const platform::Platform& platform);

// What the send settings can check before a send: the modem's device exists
// and opens, or the gateway's template is one to send with.
Status CheckSendTarget(const SendOptions& options, const platform::Platform& platform);

}  // namespace dtu
