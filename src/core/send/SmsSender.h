// SPDX-License-Identifier: MIT
// Something that sends one SMS and says how it went: a GSM modem or an SMS
// gateway. Blocking; the window runs it on a thread of its own.
#pragma once

#include <QString>

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

class SmsSender {
 public:
  virtual ~SmsSender() = default;
  // Prepares the device; the error, or empty when it is ready.
  virtual QString start() = 0;
  // `number` is a DialableNumber.
  virtual SendResult send(const QString& number, const QString& text) = 0;
};

}  // namespace dtu
