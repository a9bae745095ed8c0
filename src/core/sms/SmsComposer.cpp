// SPDX-License-Identifier: MIT
#include "core/sms/SmsComposer.h"

#include <string>

#include "core/i18n/Translate.h"

namespace dtu {

namespace {

bool IsTrimmed(QChar c) { return c.unicode() <= 32; }

const char* ApnName(int index) {
  switch (index) {
    case 0:
      return "CMNET";
    case 1:
      return "CMWAP";
    case 2:
      return "UNINET";
    default:
      return "";
  }
}

SmsComposition Blank(const char* field) { return {QString(), field}; }

}  // namespace

QString TrimField(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && IsTrimmed(text.at(first))) ++first;
  while (last > first && IsTrimmed(text.at(last - 1))) --last;
  return text.mid(first, last - first);
}

QString CommandApn(const SmsCommandInputs& inputs) {
  return inputs.apnIndex == kApnOther ? TrimField(inputs.otherApn) : QString::fromLatin1(ApnName(inputs.apnIndex));
}

bool IsBlankField(const QString& text) {
  for (QChar c : text)
    if (!IsTrimmed(c)) return false;
  return true;
}

SmsComposition ComposeSmsCommand(const SmsCommandInputs& in, const AnsiCodec& codec) {
  if (in.commandType == kSmsCommandRunningQuery) return {QString::fromLatin1(kSmsRunningQuery), nullptr};
  if (in.commandType != kSmsCommandConfiguration) return {};

  // The command is 8-bit text: values are converted before they are joined.
  std::string address;
  if (in.serverMode == kServerModeStaticIp) {
    if (IsBlankField(in.staticIp)) return Blank(kFieldStaticIp);
    address = codec.fromUnicode(TrimField(in.staticIp));
  } else if (in.serverMode == kServerModeDomain) {
    if (IsBlankField(in.domainAddress)) return Blank(kFieldDomainAddress);
    address = codec.fromUnicode(TrimField(in.domainAddress));
  }

  std::string apn;
  if (in.apnIndex == kApnOther) {
    if (IsBlankField(in.otherApn)) return Blank(kFieldServiceNetwork);
    apn = codec.fromUnicode(TrimField(in.otherApn));
  } else {
    apn = ApnName(in.apnIndex);
  }

  if (IsBlankField(in.dtuNumber)) return Blank(kFieldDtuNumber);
  const std::string dtuNumber = codec.fromUnicode(TrimField(in.dtuNumber));

  const char* header = nullptr;
  if (in.serverMode == kServerModeStaticIp)
    header = "(A55A#1*";
  else if (in.serverMode == kServerModeDomain)
    header = "(A55A#2*";
  else
    return {};

  std::string command = header;
  command += address;
  command += '*';
  command += std::to_string(in.port);
  command += "#3*";
  command += apn;
  command += "#4*";
  command += dtuNumber;
  command += ')';
  return {codec.toUnicode(command), nullptr};
}

QString BlankFieldMessage(const QString& fieldName) {
  return Translate("Please enter valid") + QStringLiteral(" \"") + Translate(fieldName) + QLatin1Char('"');
}

}  // namespace dtu
