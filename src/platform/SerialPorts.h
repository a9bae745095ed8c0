// SPDX-License-Identifier: MIT
// Serial devices, for a GSM modem: "/dev/ttyUSB2" on Linux, "COM5" on Windows.
#pragma once

#include <QIODevice>
#include <QStringList>
#include <memory>
#include <string>

namespace dtu::platform {

struct SerialFailure {
  enum class Kind { NotFound, Busy, Denied, Other };
  Kind kind = Kind::Other;
  std::string cause;   // the system's text
  std::string holder;  // with Busy, where the system tells: "pid 15574 (dtusms)"
};

class SerialPorts {
 public:
  virtual ~SerialPorts() = default;
  // The serial devices the system lists, for the user to pick from.
  virtual QStringList names() = 0;
  // Opened for reading and writing, 8N1 at `baud`, no flow control. The
  // device's waitForReadyRead and waitForBytesWritten block on the calling
  // thread, which must be the one that uses it. Null with the cause in `failure`.
  virtual std::unique_ptr<QIODevice> open(const QString& name, int baud, SerialFailure& failure) = 0;
};

}  // namespace dtu::platform
