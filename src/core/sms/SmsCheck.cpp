// SPDX-License-Identifier: MIT
#include "core/sms/SmsCheck.h"

#include <QStringList>
#include <algorithm>
#include <string_view>

#include "core/i18n/Translate.h"
#include "core/net/NetProbe.h"

namespace dtu {

namespace {

constexpr int kGsmSingle = 160;
constexpr int kGsmPart = 153;
constexpr int kUcs2Single = 70;
constexpr int kUcs2Part = 67;

// The basic table of GSM 03.38 (ESC at 0x1B is not a character of its own).
constexpr std::u16string_view kGsmBasic =
    u"@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
    u"¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà";
// The extension table: each costs an escape septet plus its own.
constexpr std::u16string_view kGsmExtension = u"\f^{}\\[~]|€";

// Septets of one UTF-16 code unit, 0 when it is outside the alphabet.
int GsmCost(char16_t unit) {
  if (kGsmBasic.find(unit) != std::u16string_view::npos) return 1;
  if (kGsmExtension.find(unit) != std::u16string_view::npos) return 2;
  return 0;
}

// Parts when costs are packed greedily: a character that does not fit into
// the current part starts the next one.
template <typename CostFn>
int CountParts(const QString& text, int total, int single, int part, CostFn cost) {
  if (total == 0) return 0;
  if (total <= single) return 1;
  int parts = 1;
  int used = 0;
  for (qsizetype i = 0; i < text.size();) {
    const auto [units, step] = cost(i);
    if (used + units > part) {
      ++parts;
      used = 0;
    }
    used += units;
    i += step;
  }
  return parts;
}

}  // namespace

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

  int septets = 0;
  bool gsm = true;
  for (QChar c : text) {
    const int cost = GsmCost(c.unicode());
    if (cost == 0) {
      gsm = false;
      break;
    }
    septets += cost;
  }
  if (gsm) {
    count.encoding = SmsEncoding::Gsm7;
    count.units = septets;
    count.parts = CountParts(text, septets, kGsmSingle, kGsmPart, [&](qsizetype i) {
      return std::pair<int, qsizetype>{GsmCost(text.at(i).unicode()), 1};
    });
  } else {
    count.encoding = SmsEncoding::Ucs2;
    count.units = static_cast<int>(text.size());
    count.parts = CountParts(text, count.units, kUcs2Single, kUcs2Part, [&](qsizetype i) {
      const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
      return pair ? std::pair<int, qsizetype>{2, 2} : std::pair<int, qsizetype>{1, 1};
    });
  }
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
    const auto found = std::find_if(text.begin(), text.end(), [](QChar c) { return QStringView(u"#*()").contains(c); });
    if (found != text.end()) at = line.parts.insert(at, {warning, {QString(*found)}}) + 1;
  }
  return line;
}

}  // namespace dtu
