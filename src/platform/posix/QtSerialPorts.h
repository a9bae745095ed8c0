// SPDX-License-Identifier: MIT
#pragma once

#include "platform/SerialPorts.h"

namespace dtu::platform {

// Qt SerialPort: it sets the line up with termios and takes the device
// exclusively (TIOCEXCL and a lock file), so a port in use says so.
class QtSerialPorts final : public SerialPorts {
 public:
  QStringList names() override;
  std::unique_ptr<QIODevice> open(const QString& name, int baud, SerialFailure& failure) override;
};

}  // namespace dtu::platform
