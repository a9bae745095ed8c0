// SPDX-License-Identifier: MIT
#include "core/send/SenderFactory.h"

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/net/NetProbe.h"
#include "core/send/GatewaySender.h"
#include "core/send/ModemSender.h"

namespace dtu {

namespace {

QString DescribeSerialFailure(const QString& device, const platform::SerialFailure& failure,
                              platform::SerialPorts* ports) {
  const QString cause = QString::fromStdString(failure.cause);
  switch (failure.kind) {
    case platform::SerialFailure::Kind::Busy:
      if (!failure.holder.empty())
        return FormatMessage(Translate("%s is held by %s (%s). Close that program and try again."),
                             {device, QString::fromStdString(failure.holder), cause});
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
    case platform::SerialFailure::Kind::NotFound: {
      const QStringList present = ports ? ports->names() : QStringList();
      const QString there = present.isEmpty() ? Translate("This computer lists no serial port.")
                                              : FormatMessage(Translate("The serial ports here: %s."),
                                                              {present.join(QStringLiteral(", "))});
      return FormatMessage(Translate("There is no serial device %s (%s). Is the modem plugged in?"), {device, cause}) +
             QLatin1Char(' ') + there;
    }
    case platform::SerialFailure::Kind::Other:
      break;
  }
  return FormatMessage(Translate("Cannot open %s: %s"), {device, cause});
}

// The modem's line, opened; the failure names the device.
Expected<std::unique_ptr<QIODevice>> OpenModem(const SendOptions& options, const platform::Platform& platform) {
  platform::SerialFailure failure;
  std::unique_ptr<QIODevice> device;
  if (platform.serial)
    device = platform.serial->open(options.modem, options.baud, failure);
  else
    failure.cause = "no serial devices in this build";
  if (!device)
    return Failure{options.modem + QStringLiteral(": ") +
                   DescribeSerialFailure(options.modem, failure, platform.serial)};
  return device;
}

}  // namespace

Expected<StartedSender> StartSender(const SendOptions& options, const platform::Platform& platform) {
  StartedSender started;
  if (!options.modem.isEmpty()) {
    Expected<std::unique_ptr<QIODevice>> device = OpenModem(options, platform);
    if (!device) return device.failure();
    started.device = std::move(device.value());
    started.sender = std::make_unique<ModemSender>(*started.device);
  } else {
    net::ProbeServices services;
    services.network = &platform.network;
    started.sender = std::make_unique<GatewaySender>(options.gateway, services);
  }
  const QString where = options.modem.isEmpty() ? MaskedUrl(options.gateway) : options.modem;
  if (const Status ready = started->start(); !ready) return Failure{where + QStringLiteral(": ") + ready.message()};
  return started;
}

Status CheckSendTarget(const SendOptions& options, const platform::Platform& platform) {
  if (options.modem.isEmpty()) return CheckGatewayTemplate(options.gateway);
  // Opened and closed again: the modem itself is spoken to when sending.
  if (const Expected<std::unique_ptr<QIODevice>> device = OpenModem(options, platform); !device)
    return device.failure();
  return Done{};
}

}  // namespace dtu
