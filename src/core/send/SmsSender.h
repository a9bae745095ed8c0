// SPDX-License-Identifier: MIT
// Something that sends one SMS and says how it went: a GSM modem or an SMS
// gateway. Blocking; the window runs it on a thread of its own.
#pragma once

#include <QString>
#include <functional>
#include <utility>
#include <vector>

#include "core/Expected.h"
#include "core/i18n/Translate.h"
#include "core/send/ModemInbox.h"

namespace dtu {

struct SendResult {
  enum class Status {
    Sent,
    Failed,  // nothing was delivered
    // Something left without a confirmation: it may have gone out, so it is
    // not sent again by accident.
    Unconfirmed,
  };
  Status status = Status::Failed;
  QString reference;  // the modem's message reference(s), ", "-separated
  QString error;      // translated, for the user and the log
  // The device or gateway is gone, or what failed fails every message alike:
  // nothing more is tried.
  bool stopsRun = false;

  bool sent() const { return status == Status::Sent; }
};

class SmsSender {
 public:
  virtual ~SmsSender() = default;
  // Prepares the device for sending.
  virtual Status start() = 0;
  // `number` is a DialableNumber.
  virtual SendResult send(const QString& number, const QString& text) = 0;
  // The status reports and messages the device holds, decoded; nothing is
  // deleted. A sender that keeps none says so.
  virtual Expected<ModemInbox> inbox() { return Failure{Translate("An SMS gateway keeps no messages to list.")}; }
  // Takes one stored message off the device; only on the technician's word.
  virtual Status deleteStored(int /*index*/) { return Failure{Translate("An SMS gateway keeps no messages to list.")}; }

  // Called right before text leaves (each part's Ctrl-Z, the gateway's
  // request), so that a record can say "maybe sent" before it is true; a
  // failure keeps the text back.
  void setBeforeSubmit(std::function<Status()> hook) { beforeSubmit_ = std::move(hook); }

 protected:
  Status beforeSubmit() const { return beforeSubmit_ ? beforeSubmit_() : Status(Done{}); }

 private:
  std::function<Status()> beforeSubmit_;
};

}  // namespace dtu
