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
  // After the ESC that ends a message text an earlier run left unfinished:
  // what the modem says to it is read and dropped.
  std::chrono::milliseconds settle{300};
};

// What is kept of a modem's answer: a longer line is cut (the rest
// dropped), of more information lines the first and the latest are kept, so that a modem that floods
// its line holds neither memory nor the processor.
inline constexpr qsizetype kModemLineLimit = 4096;
inline constexpr std::size_t kModemLinesLimit = 4096;

class ModemSender final : public SmsSender {
 public:
  // The concatenation reference of long messages starts at a random value, so
  // that two runs' messages to one phone do not share references.
  explicit ModemSender(QIODevice& device, ModemTimeouts timeouts = {});

  // AT, the SIM's PIN state (never answered with a guess), text mode, GSM
  // charset; status reports asked for and kept in the modem's storage.
  Status start() override;
  SendResult send(const QString& number, const QString& text) override;
  // What AT+CMGL="ALL" lists.
  // What AT+CMGL=4 lists in PDU mode.
  Expected<ModemInbox> inbox() override;
  // AT+CMGD: only when the user asks for it.
  Status deleteStored(int index) override;
  // The modem refused to keep status reports (AT+CNMI): none will come.
  bool statusReportsRefused() const { return reportsRefused_; }
  // The modem refused text mode's report request (AT+CSMP): messages sent in
  // text mode get no status report; those sent as PDUs still do.
  bool textModeReportsRefused() const { return textReportsRefused_; }

 private:
  struct Reply {
    enum class End { Ok, Error, Prompt, TimedOut };
    End end = End::TimedOut;
    std::vector<QByteArray> lines;  // information lines, without echo
    QByteArray error;               // the final error line
  };
  Reply exchange(const QByteArray& command, std::chrono::milliseconds timeout, bool wantPrompt = false);
  Reply finish(std::chrono::milliseconds timeout, const QByteArray& echo, bool wantPrompt);
  // Takes the complete lines of buffer_ into `reply`; true once it has ended.
  bool takeLines(Reply& reply, const QByteArray& echo, bool wantPrompt);
  void receive(const QByteArray& bytes);
  void escape();
  Status setMode(bool text);
  SendResult submit(const QByteArray& command, const QByteArray& body);
  static QString describeError(const QByteArray& line);
  // A +CMS ERROR that every later message would get as well (the SIM, the
  // service centre, the network): what to do, or empty.
  static QString stoppingError(const QByteArray& line);

  QIODevice& device_;
  ModemTimeouts timeouts_;
  QByteArray buffer_;      // what is not parsed yet, at most kModemLineLimit bytes
  bool dropping_ = false;  // a line was cut: its rest is dropped up to its end
  int mode_ = -1;          // AT+CMGF: 1 text, 0 PDU
  unsigned reference_ = 0;
  bool broken_ = false;
  bool reportsRefused_ = false;
  bool textReportsRefused_ = false;
};

// The meaning of a +CMS ERROR code (TS 27.005 3.2.5, TS 24.011 causes), translated;
// empty for a code without one.
QString CmsErrorMeaning(int code);

}  // namespace dtu
