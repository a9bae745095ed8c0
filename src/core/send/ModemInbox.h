// SPDX-License-Identifier: MIT
// What a modem holds for the program: the network's status reports on the
// messages it sent (TS 23.040 SMS-STATUS-REPORT) and the messages it received
// (SMS-DELIVER), as read in PDU mode, decoded, and long messages joined.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

namespace dtu {

// The network's word on one sent message (one part of a long one).
struct StatusReport {
  int index = 0;        // where the modem keeps it; 0 when it came unsolicited
  int reference = 0;    // TP-MR: the +CMGS reference of the part
  QString recipient;    // TP-RA, as the network gives it
  QDateTime submitted;  // TP-SCTS: when the service centre took the message
  QDateTime delivered;  // TP-DT: when the network delivered it (or gave up)
  int status = 0;       // TP-ST
  // TP-ST 0x00-0x1F: the message reached the phone; 0x20-0x3F: still trying; above: gave up.
  bool deliveredOk() const { return status < 0x20; }
  bool final() const { return status < 0x20 || status >= 0x40; }
};

// The meaning of a TP-ST value, translated ("delivered", "SIM full", ...).
QString StatusMeaning(int status);

// One received message, long ones joined from their parts.
struct IncomingSms {
  std::vector<int> indexes;  // where the modem keeps its parts
  QString sender;
  QDateTime sent;  // TP-SCTS: the service centre's time stamp, with its zone
  QString text;
  // A message that could not be decoded keeps its PDU and why.
  QByteArray pdu;
  QString problem;
};

struct ModemInbox {
  std::vector<StatusReport> reports;
  std::vector<IncomingSms> messages;
};

}  // namespace dtu
