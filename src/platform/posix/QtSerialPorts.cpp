// SPDX-License-Identifier: MIT
#include "platform/posix/QtSerialPorts.h"

#include <unistd.h>
#include <QFile>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <string>

namespace dtu::platform {

namespace {

// Who holds `name` by its lock file, where Qt and the UUCP tools put one
// (a pid in text, then for Qt the program's name): "pid 15574 (dtusms)", or
// empty. ModemManager keeps none; the device then only says it is busy.
std::string LockHolder(const QString& name) {
  // Qt names the lock by the path below /dev, '/' turned into '_'.
  QString base = name.startsWith(QLatin1String("/dev/")) ? name.mid(5) : name;
  base.replace(QLatin1Char('/'), QLatin1Char('_'));
  for (const char* folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp", "/var/tmp",
                             "/var/lock/lockdev", "/run/lock"}) {
    QFile lock(QString::fromLatin1(folder) + QStringLiteral("/LCK..") + base);
    if (!lock.open(QIODevice::ReadOnly)) continue;
    bool ok = false;
    const qint64 pid = lock.readLine(64).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0) return {};
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    const QByteArray program = comm.open(QIODevice::ReadOnly) ? comm.readLine(64).trimmed() : QByteArray();
    return "pid " + std::to_string(pid) + (program.isEmpty() ? std::string() : " (" + program.toStdString() + ")");
  }
  return {};
}

}  // namespace

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
      if (failure.kind == SerialFailure::Kind::Busy) failure.holder = LockHolder(name);
      break;
    default:
      failure.kind = SerialFailure::Kind::Other;
  }
  failure.cause = port->errorString().toStdString();
  return nullptr;
}

}  // namespace dtu::platform
