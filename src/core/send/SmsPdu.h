// SPDX-License-Identifier: MIT
// What a GSM modem is handed for one message: plain text where every modem
// reads it the same way, otherwise TS 23.040 SMS-SUBMIT PDUs (GSM 7-bit or
// UCS-2, with the 8-bit concatenation header when the text needs parts).
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/send/ModemInbox.h"

// The number a PDU is addressed to is a DialableNumber.
#include "core/sms/SimNumber.h"

namespace dtu {

// True when the text fits one SMS in text mode: GSM 7-bit characters whose
// code is the ASCII one ('@', '$', '_' and the extension table differ
// between modems' "GSM" charsets, so they go as PDUs).
bool FitsTextMode(const QString& text);

struct SubmitPdu {
  QByteArray hex;  // upper-case hex, starting with the "00" service-centre octet
  int tpduLength;  // octets after the service-centre octet: AT+CMGS=<tpduLength>
};

// The text for `number` (DialableNumber form) in one or more PDUs. Parts are
// cut where the SMS check counts them (never inside an escape or surrogate
// pair); `reference` ties the parts together. `statusReport` asks the network
// to report each part's delivery.
std::vector<SubmitPdu> EncodeSubmitPdus(const QString& number, const QString& text, std::uint8_t reference,
                                        bool statusReport = true);

// One SMS-DELIVER: a whole message or one part of a long one.
struct DeliverPdu {
  QString sender;  // digits ("+" when international), or the text of an alphanumeric sender
  QDateTime sent;  // the service centre's time stamp, with its zone; invalid when it names no moment
  QString text;
  // A part: parts of one message share sender, reference and total.
  int reference = -1;  // -1: a whole message
  int total = 1;
  int sequence = 1;
  QString problem;  // translated: why the text could not be read (sender and time may still be)
};
// nullopt when `hex` (with its service-centre part) is no SMS-DELIVER.
std::optional<DeliverPdu> DecodeDeliver(const QByteArray& hex);

// nullopt when `hex` (with its service-centre part) is no complete SMS-STATUS-REPORT.
std::optional<StatusReport> DecodeStatusReportPdu(const QByteArray& hex);

// What AT+CMGL lists in PDU mode (index, PDU hex), sorted into reports and
// messages, long ones joined; a PDU that cannot be read is kept with the reason.
ModemInbox DecodeInbox(const std::vector<std::pair<int, QByteArray>>& stored);

}  // namespace dtu
