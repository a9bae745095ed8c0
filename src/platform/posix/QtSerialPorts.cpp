// SPDX-License-Identifier: MIT
#include "platform/posix/QtSerialPorts.h"

#include <unistd.h>
#include <QFile>
#include <QSerialPort>
#include <QSerialPortInfo>

namespace dtu::platform {

QStringList QtSerialPorts::names() {
  QStringList names;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) names << info.systemLocation();
  return names;
}

std::unique_ptr<QIODevice> QtSerialPorts::open(const QString& name, int baud, SerialFailure& failure) {
  auto port = std::make_unique<QSerialPort>();
  port->setPortName(name);
  if (port->open(QIODevice::ReadWrite) && port->setBaudRate(baud) && port->setDataBits(QSerialPort::Data8) &&
      port->setParity(QSerialPort::NoParity) && port->setStopBits(QSerialPort::OneStop) &&
      port->setFlowControl(QSerialPort::NoFlowControl)) {
    return port;
  }
  switch (port->error()) {
    case QSerialPort::DeviceNotFoundError:
      failure.kind = SerialFailure::Kind::NotFound;
      break;
    case QSerialPort::PermissionError:
      // Qt says this for a device in use (EBUSY, a foreign lock file) as
      // well as for one this user may not open.
      failure.kind = ::access(QFile::encodeName(name).constData(), R_OK | W_OK) == 0 ? SerialFailure::Kind::Busy
                                                                                     : SerialFailure::Kind::Denied;
      break;
    default:
      failure.kind = SerialFailure::Kind::Other;
  }
  failure.cause = port->errorString().toStdString();
  return nullptr;
}

}  // namespace dtu::platform
