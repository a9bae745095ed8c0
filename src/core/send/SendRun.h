// SPDX-License-Identifier: MIT
// Sending a list: one message at a time, paced, each recorded in the send
// log as it completes. The command line and the window share it.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "core/Expected.h"
#include "core/send/SendLog.h"
#include "core/send/SmsSender.h"

namespace dtu {

// How the command line and the window send: through one modem or gateway.
struct SendOptions {
  QString modem;  // a serial device
  int baud = 115200;
  QString gateway;  // a URL template with {phone} and {message}
  QString log;      // empty: the list's path + ".sent.csv"
  std::chrono::milliseconds interval{3000};
  bool resend = false;
  bool any() const { return !modem.isEmpty() || !gateway.isEmpty(); }
};

struct SendItem {
  int line = 0;  // in the list; 0 for a single message
  QString dtuNumber;
  QString simNumber;  // as written
  QString command;
};

struct SendEvents {
  // Before each message; the window shows it as progress.
  std::function<void(std::size_t index)> starting;
  // After each message (skipped ones too: `skipped` is true, `result` empty).
  std::function<void(std::size_t index, const SendResult& result, bool skipped)> done;
  // Asked between messages: the one in flight always completes.
  std::function<bool()> stopRequested;
  // Waits for the pacing interval; returns early when a stop is asked.
  std::function<void(std::chrono::milliseconds)> wait;
};

struct SendSummary {
  int sent = 0;
  int skipped = 0;   // in the log already
  int failed = 0;    // failed or unconfirmed
  int notTried = 0;  // after a stop or a broken device
  bool stopped = false;
  std::optional<Failure> fatal;  // the device, gateway or log gave out
};

// At most one message per `interval`, measured from the start of the last.
SendSummary RunSends(const std::vector<SendItem>& items, SmsSender& sender, SendLog& log,
                     std::chrono::milliseconds interval, bool resend, const SendEvents& events);

}  // namespace dtu
