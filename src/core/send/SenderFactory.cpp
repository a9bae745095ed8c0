// SPDX-License-Identifier: MIT
#include "core/send/SenderFactory.h"

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/net/NetProbe.h"
#include "core/send/GatewaySender.h"
#include "core/send/ModemSender.h"

namespace dtu {

namespace {

QString DescribeSerialFailure(const QString& device, const platform::SerialFailure& failure) {
  const QString cause = QString::fromStdString(failure.cause);
  switch (failure.kind) {
    case platform::SerialFailure::Kind::Busy:
#ifdef Q_OS_WIN
      return FormatMessage(Translate("Another program holds %s (%s). Close the modem's own software and try again."),
                           {device, cause});
#else
      return FormatMessage(Translate("Another program holds %s (%s), on Linux usually ModemManager. Stop it "
                                     "(\"sudo systemctl stop ModemManager\") and try again."),
                           {device, cause});
#endif
    case platform::SerialFailure::Kind::Denied:
      return FormatMessage(Translate("You may not open %s (%s). Add yourself to the group that owns it "
                                     "(usually \"dialout\") and log in again."),
                           {device, cause});
    case platform::SerialFailure::Kind::NotFound:
      return FormatMessage(Translate("There is no serial device %s (%s). Is the modem plugged in?"), {device, cause});
    case platform::SerialFailure::Kind::Other:
      break;
  }
  return FormatMessage(Translate("Cannot open %s: %s"), {device, cause});
}

}  // namespace

std::unique_ptr<SmsSender> StartSender(const SendOptions& options, const platform::Platform& platform,
                                       std::unique_ptr<QIODevice>& device, QString& error) {
  std::unique_ptr<SmsSender> sender;
  const QString where = options.modem.isEmpty() ? options.gateway : options.modem;
  if (!options.modem.isEmpty()) {
    platform::SerialFailure failure;
    if (platform.serial) device = platform.serial->open(options.modem, options.baud, failure);
    else failure.cause = "no serial devices in this build";
    if (!device) {
      error = where + QStringLiteral(": ") + DescribeSerialFailure(options.modem, failure);
      return nullptr;
    }
    sender = std::make_unique<ModemSender>(*device);
  } else {
    net::ProbeServices services;
    services.network = &platform.network;
    sender = std::make_unique<GatewaySender>(options.gateway, services);
  }
  if (const QString problem = sender->start(); !problem.isEmpty()) {
    error = where + QStringLiteral(": ") + problem;
    return nullptr;
  }
  return sender;
}

}  // namespace dtu
