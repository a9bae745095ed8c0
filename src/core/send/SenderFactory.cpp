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

Expected<StartedSender> StartSender(const SendOptions& options, const platform::Platform& platform) {
  StartedSender started;
  const QString where = options.modem.isEmpty() ? options.gateway : options.modem;
  if (!options.modem.isEmpty()) {
    platform::SerialFailure failure;
    if (platform.serial)
      started.device = platform.serial->open(options.modem, options.baud, failure);
    else
      failure.cause = "no serial devices in this build";
    if (!started.device) return Failure{where + QStringLiteral(": ") + DescribeSerialFailure(options.modem, failure)};
    started.sender = std::make_unique<ModemSender>(*started.device);
  } else {
    net::ProbeServices services;
    services.network = &platform.network;
    started.sender = std::make_unique<GatewaySender>(options.gateway, services);
  }
  if (const Status ready = started->start(); !ready) return Failure{where + QStringLiteral(": ") + ready.message()};
  return started;
}

}  // namespace dtu
