// SPDX-License-Identifier: MIT
// A GSM modem on a serial line, spoken to with the TS 27.005 AT commands:
// text mode where every modem reads the text the same way, PDU mode
// otherwise. The device is open already; this owns the dialogue only.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <chrono>
#include <vector>

#include "core/send/SmsSender.h"

namespace dtu {

struct ModemTimeouts {
  std::chrono::milliseconds command{5000};
  std::chrono::milliseconds prompt{10000};
  std::chrono::milliseconds submit{60000};  // +CMGS: the network's answer
};

class ModemSender final : public SmsSender {
 public:
  explicit ModemSender(QIODevice& device, ModemTimeouts timeouts = {}) : device_(device), timeouts_(timeouts) {}

  // AT, the SIM's PIN state (never answered with a guess), text mode, GSM charset.
  Status start() override;
  SendResult send(const QString& number, const QString& text) override;
  // What AT+CMGL="ALL" lists.
  Expected<std::vector<ReceivedSms>> received(const QString& number) override;

 private:
  struct Reply {
    enum class End { Ok, Error, Prompt, TimedOut };
    End end = End::TimedOut;
    std::vector<QByteArray> lines;  // information lines, without echo
    QByteArray error;               // the final error line
  };
  Reply exchange(const QByteArray& command, std::chrono::milliseconds timeout, bool wantPrompt = false);
  Reply finish(std::chrono::milliseconds timeout, const QByteArray& echo, bool wantPrompt);
  Status setMode(bool text);
  SendResult submit(const QByteArray& command, const QByteArray& body);
  static QString describeError(const QByteArray& line);

  QIODevice& device_;
  ModemTimeouts timeouts_;
  QByteArray buffer_;
  int mode_ = -1;  // AT+CMGF: 1 text, 0 PDU
  unsigned reference_ = 0;
  bool broken_ = false;
};

// The meaning of a +CMS ERROR code (TS 27.005 3.2.5, TS 24.011 causes), translated;
// empty for a code without one.
QString CmsErrorMeaning(int code);

}  // namespace dtu
