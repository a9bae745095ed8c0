// SPDX-License-Identifier: MIT
// Sending a list: one message at a time, paced, each claimed in the send
// journal before it goes and recorded as it completes, then written to the
// report for people. The command line and the window share it.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "core/Expected.h"
#include "core/send/SendJournal.h"
#include "core/send/SmsSender.h"

namespace dtu {

class SendLog;

// How the command line and the window send: through one modem or gateway.
struct SendOptions {
  QString modem;  // a serial device
  int baud = 115200;
  QString gateway;  // a URL template with {phone} and {message}
  QString log;      // the report; empty: the list's path + ".sent.csv"
  QString journal;  // empty: DefaultJournalPath()
  std::chrono::milliseconds interval{3000};
  bool resend = false;
  bool acceptWarnings = false;  // the command line's consent to commands the check warns about
  int thenQueryMinutes = -1;    // after the sends: wait, read the reports, ask the delivered DTUs (-1: no)
  bool any() const { return !modem.isEmpty() || !gateway.isEmpty(); }
  QString journalPath() const { return journal.isEmpty() ? DefaultJournalPath() : journal; }
};

struct SendItem {
  int line = 0;  // in the list; 0 for a single message
  QString dtuNumber;
  QString simNumber;  // as written
  QString command;
};

// What became of one item.
struct SendOutcome {
  enum class Kind {
    Sent,
    Unconfirmed,    // something left, no confirmation came
    Failed,         // nothing was delivered
    SentBefore,     // the journal has it sent or unconfirmed: left out
    HeldElsewhere,  // another run is sending it now: left out
  };
  Kind kind = Kind::Failed;
  SendResult result;    // with Sent, Unconfirmed, Failed
  JournalEntry before;  // with SentBefore and HeldElsewhere
};

struct SendEvents {
  // Before each message goes; the window shows it as progress.
  std::function<void(std::size_t index)> starting;
  // After each item, sent or left out.
  std::function<void(std::size_t index, const SendOutcome& outcome)> done;
  // Asked between messages: the one in flight always completes.
  std::function<bool()> stopRequested;
  // Waits for the pacing interval; returns early when a stop is asked.
  std::function<void(std::chrono::milliseconds)> wait;
};

struct SendSummary {
  int sent = 0;
  int unconfirmed = 0;
  int failed = 0;
  int sentBefore = 0;
  int heldElsewhere = 0;
  int notTried = 0;  // after a stop or a fatal failure
  bool stopped = false;
  std::optional<Failure> fatal;  // the device, gateway, journal or report gave out
};

struct RunSettings {
  std::chrono::milliseconds interval{3000};  // at most one message per interval, from the start of the last
  bool resend = false;                       // send what the journal has as sent or unconfirmed, too
};

// `report` may be null (nothing written for people).
SendSummary RunSends(const std::vector<SendItem>& items, SmsSender& sender, SendJournal& journal, SendLog* report,
                     const RunSettings& settings, const SendEvents& events);

}  // namespace dtu
