// SPDX-License-Identifier: MIT
#include "core/sms/SmsCheck.h"

#include <QStringList>
#include <algorithm>

#include "core/i18n/Translate.h"
#include "core/net/NetProbe.h"

namespace dtu {

SmsCount CountSms(const QString& text) {
  SmsCount count;
  int pairs = 0;  // a surrogate pair is one character
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate()) {
      ++pairs;
      ++i;
    }
  }
  count.characters = static_cast<int>(text.size()) - pairs;

  count.encoding = SmsEncodingOf(text);
  if (count.encoding == SmsEncoding::Gsm7) {
    for (const QChar c : text) count.units += Gsm7Encode(c.unicode()).size;
  } else {
    count.units = static_cast<int>(text.size());
  }
  count.parts = static_cast<int>(SmsPartStarts(text, count.encoding).size());
  return count;
}

AddressClass ClassifyServerAddress(const QString& address) {
  if (address.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return AddressClass::Loopback;
  return net::ClassifyIpv4(address.toStdString()).value_or(AddressClass::Public);
}

QString CommandServerAddress(const SmsCommandInputs& inputs) {
  if (inputs.commandType != kSmsCommandConfiguration) return {};
  if (inputs.serverMode == kServerModeStaticIp) return TrimField(inputs.staticIp);
  if (inputs.serverMode == kServerModeDomain) return TrimField(inputs.domainAddress);
  return {};
}

QString CommandCharacterIn(const QString& text) {
  const auto found = std::find_if(text.begin(), text.end(), [](QChar c) { return QStringView(u"#*()").contains(c); });
  return found == text.end() ? QString() : QString(*found);
}

MessageLine SmsCheckMessage(const QString& sms, const QString& serverAddress) {
  const SmsCount count = CountSms(sms);
  MessageLine line{{{count.encoding == SmsEncoding::Gsm7 ? N_("%d characters, %d SMS (GSM 7-bit)")
                                                         : N_("%d characters, %d SMS (UCS-2)"),
                     {QString::number(count.characters), QString::number(count.parts)}}}};
  const char* addressWarning = nullptr;
  switch (ClassifyServerAddress(serverAddress)) {
    case AddressClass::Loopback:
      addressWarning = N_("Loopback address: a DTU on a mobile network cannot reach it.");
      break;
    case AddressClass::Private:
      addressWarning = N_("Private address: a DTU on a mobile network cannot reach it.");
      break;
    case AddressClass::LinkLocal:
      addressWarning = N_("Link-local address: a DTU on a mobile network cannot reach it.");
      break;
    case AddressClass::SharedNat:
      addressWarning = N_("Carrier-NAT address: a DTU on a mobile network cannot reach it.");
      break;
    case AddressClass::ThisNetwork:  // 0/8 names no host at all; the line has no warning for it
    case AddressClass::Public:
      break;
  }
  if (addressWarning) line.parts.push_back({addressWarning, {}});
  if (count.parts > 1) line.parts.push_back({N_("Several parts: the DTU may not join them."), {}});
  if (count.encoding == SmsEncoding::Ucs2) line.parts.push_back({N_("UCS-2: the DTU may not read it."), {}});
  return line;
}

MessageLine SmsCheckMessage(const QString& sms, const SmsCommandInputs& inputs) {
  MessageLine line = SmsCheckMessage(sms, CommandServerAddress(inputs));
  if (inputs.commandType != kSmsCommandConfiguration) return line;
  const std::pair<QString, const char*> fields[] = {
      {CommandServerAddress(inputs), N_("\"%s\" in the server address: the DTU reads it as a separator.")},
      {inputs.apnIndex == kApnOther ? TrimField(inputs.otherApn) : QString(),
       N_("\"%s\" in the APN: the DTU reads it as a separator.")},
      {TrimField(inputs.dtuNumber), N_("\"%s\" in the DTU number: the DTU reads it as a separator.")},
  };
  auto at = line.parts.begin() + 1;  // after the count: a misread command matters most
  for (const auto& [text, warning] : fields) {
    if (const QString found = CommandCharacterIn(text); !found.isEmpty())
      at = line.parts.insert(at, {warning, {found}}) + 1;
  }
  return line;
}

}  // namespace dtu
