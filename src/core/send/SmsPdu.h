// SPDX-License-Identifier: MIT
// What a GSM modem is handed for one message: plain text where every modem
// reads it the same way, otherwise TS 23.040 SMS-SUBMIT PDUs (GSM 7-bit or
// UCS-2, with the 8-bit concatenation header when the text needs parts).
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

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
// pair); `reference` ties the parts together.
std::vector<SubmitPdu> EncodeSubmitPdus(const QString& number, const QString& text, std::uint8_t reference);

// A received message's sender and text, decoded from an SMS-DELIVER PDU
// (hex, with its service-centre part); false when it is not one.
struct DeliveredSms {
  QString sender;
  QString text;
};
bool DecodeDeliverPdu(const QByteArray& hex, DeliveredSms& out);

}  // namespace dtu
