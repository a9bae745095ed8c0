// SPDX-License-Identifier: MIT
// What a phone will make of the composed command before the technician sends
// it: how many SMS parts, in which encoding, and whether the server address
// can be reached from a mobile network at all. Advice only: it never blocks,
// changes the text or touches the settings file.
#pragma once

#include <QString>

#include "core/i18n/Format.h"
#include "core/net/NetProbe.h"
#include "core/sms/SmsAlphabet.h"
#include "core/sms/SmsComposer.h"

namespace dtu {

struct SmsCount {
  int characters = 0;  // Unicode characters, as a person counts them
  int units = 0;       // septets (GSM 7-bit) or UTF-16 code units (UCS-2)
  int parts = 0;       // 0 for the empty text
  SmsEncoding encoding = SmsEncoding::Gsm7;
};

// Counted in the alphabet and cut into parts as SmsAlphabet.h has it.
SmsCount CountSms(const QString& text);

using AddressClass = net::Ipv4Range;

// Classes a dotted IPv4 address (or "localhost"); anything else, names
// included, is Public because it cannot be judged without a lookup.
AddressClass ClassifyServerAddress(const QString& address);

// The trimmed server address a configuration command carries; empty for the
// running query or without a server address mode.
QString CommandServerAddress(const SmsCommandInputs& inputs);

// The first "#", "*", "(" or ")" in `text`, which the DTU reads as the
// command's own syntax wherever it stands; empty when there is none.
QString CommandCharacterIn(const QString& text);

// The status-bar line: the count, then a warning for an address a DTU cannot
// reach, more than one part, or UCS-2. `serverAddress` is the trimmed address
// the command carries (empty for the running query).
MessageLine SmsCheckMessage(const QString& sms, const QString& serverAddress);
// The line for the window's fields, with a warning first for each field of
// the command (server address, APN, DTU number) that holds "#", "*", "(" or
// ")": the DTU reads them as the command's own syntax. The command still
// holds what was typed.
MessageLine SmsCheckMessage(const QString& sms, const SmsCommandInputs& inputs);
// The same line translated now.
inline QString SmsCheckLine(const QString& sms, const QString& serverAddress) {
  return SmsCheckMessage(sms, serverAddress).text();
}

}  // namespace dtu
