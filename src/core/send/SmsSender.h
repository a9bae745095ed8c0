// SPDX-License-Identifier: MIT
// Something that sends one SMS and says how it went: a GSM modem or an SMS
// gateway. Blocking; the window runs it on a thread of its own.
#pragma once

#include <QString>
#include <vector>

#include "core/Expected.h"

namespace dtu {

struct SendResult {
  enum class Status {
    Sent,
    Failed,  // this message only: the next one may go
    Broken,  // the device or gateway is gone: nothing more can go
    // Handed over without a confirmation: it may have gone out, so it is not
    // sent again by accident.
    Unconfirmed,
  };
  Status status = Status::Failed;
  QString reference;  // the modem's message reference(s), ", "-separated
  QString error;      // translated, for the user and the log

  bool sent() const { return status == Status::Sent; }
};

// One message the device holds, as it lists it.
struct ReceivedSms {
  int index = 0;
  QString sender;
  QString time;  // as the device gives it
  QString text;
};

class SmsSender {
 public:
  virtual ~SmsSender() = default;
  // Prepares the device for sending.
  virtual Status start() = 0;
  // `number` is a DialableNumber.
  virtual SendResult send(const QString& number, const QString& text) = 0;
  // The stored messages from `number` (any sender when empty), the DTUs'
  // replies; nothing is deleted. A sender that keeps none says so.
  virtual Expected<std::vector<ReceivedSms>> received(const QString& number) = 0;
};

}  // namespace dtu
