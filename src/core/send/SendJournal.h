// SPDX-License-Identifier: MIT
// What went to which DTU, kept so that no DTU gets one command twice by
// accident: a message is claimed before it is sent, marked `submitting`
// before its text leaves, and ends `sent`, `unconfirmed` (something left, no
// confirmation came) or `failed` (nothing was delivered). Reruns leave out what
// is sent or unconfirmed; a run skips what another live run holds.
//
// A small interface, so that a team could keep one journal on a server; the
// per-user SQLite file is the one this program ships.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "core/Expected.h"
#include "core/send/ModemInbox.h"
#include "core/send/SmsSender.h"

namespace dtu {

enum class JournalState { Claimed, Submitting, Sent, Unconfirmed, Failed };

// The word the journal and the reports use ("sent", "unconfirmed"...), not translated.
QString JournalStateName(JournalState state);
std::optional<JournalState> JournalStateNamed(const QString& name);
// The state a send result leaves.
JournalState JournalStateOf(const SendResult& result);

struct JournalEntry {
  qint64 id = 0;
  QDateTime time;  // of the last change, UTC
  QString dtuNumber;
  QString simNumber;
  QString command;
  JournalState state = JournalState::Claimed;
  QString reference;
  QString route;   // the device or the gateway's host
  QString detail;  // why it failed or is unconfirmed
};

// What the network said of a sent message: nothing yet, or "delivered" /
// "not delivered" from its status reports (every part of a long one), or that
// a gateway took it, which is all a gateway can tell.
enum class Delivery { Unknown, Delivered, NotDelivered, AcceptedByGateway };
QString DeliveryName(Delivery delivery);  // "delivered"..., not translated; "" for Unknown

// One DTU as a roll-out sees it: its last message and what came of it.
struct RolloutRow {
  JournalEntry last;
  Delivery delivery = Delivery::Unknown;
  QDateTime deliveredAt;   // the network's time
  QString deliveryDetail;  // why not delivered, translated
  QString answer;          // the DTU's last message after the command, if any
  QDateTime answeredAt;    // the network's time stamp of it
};

// What a claim found.
struct JournalClaim {
  enum class Outcome {
    Claimed,        // this run sends it: `entry` is the new row
    DoneBefore,     // sent or unconfirmed before: `entry` says when
    HeldElsewhere,  // another live run is sending it now
  };
  Outcome outcome = Outcome::Claimed;
  JournalEntry entry;
};

class SendJournal {
 public:
  virtual ~SendJournal() = default;

  // Starts a run through `route` (a gateway's messages can only be "accepted"). Rows left `submitting` by a run whose
  // process is gone become `unconfirmed`; its claims that never left are dropped.
  virtual Status beginRun(const QString& route, bool gateway = false) = 0;
  // In one transaction: the message to `dtuNumber` with `command` is this
  // run's to send, unless it went before (and `resend` is false) or another
  // live run holds it.
  virtual Expected<JournalClaim> claim(const QString& dtuNumber, const QString& simNumber, const QString& command,
                                       bool resend) = 0;
  // The claimed message's text is about to leave. On disk before it returns.
  virtual Status submitting(qint64 id) = 0;
  // How the claimed message ended. On disk before it returns.
  virtual Status record(qint64 id, const SendResult& result) = 0;
  // A claim given back before anything left (a stop during the pacing wait).
  virtual Status release(qint64 id) = 0;
  // The latest finished or live entry for one message, if any.
  virtual Expected<std::optional<JournalEntry>> lookUp(const QString& dtuNumber, const QString& command) = 0;
  // Every entry, newest first.
  virtual Expected<std::vector<JournalEntry>> entries() = 0;
  // Adds `found` (entries of an older record) unless `source` was imported
  // before; true when they were added now.
  virtual Expected<bool> importOnce(const QString& source, const std::vector<JournalEntry>& found) = 0;

  // Records a status report against the message it is about (the part's
  // reference and the SIM number rule); the DTU number it concerns, or empty
  // when no sent message matches. `changed` tells whether it was news.
  virtual Expected<QString> recordReport(const StatusReport& report, bool* changed = nullptr) = 0;
  // Keeps a received message, matched to a DTU by its sender; the DTU number
  // (empty when none matches). `isNew` is false for one kept before.
  virtual Expected<QString> storeIncoming(const IncomingSms& sms, bool* isNew = nullptr) = 0;
  // One row per DTU, by DTU number.
  virtual Expected<std::vector<RolloutRow>> rollout() = 0;
};

// The key a DTU number is compared by: NFKC, case folded, trimmed.
QString JournalDtuKey(const QString& dtuNumber);

// `<per-user data>/dtusms/journal.sqlite`: $XDG_DATA_HOME on Linux,
// %LOCALAPPDATA% on Windows.
QString DefaultJournalPath();

}  // namespace dtu
