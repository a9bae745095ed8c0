// SPDX-License-Identifier: MIT
#pragma once

#include "platform/SerialPorts.h"

namespace dtu::platform {

// The communications API: the COM ports the system lists under
// HARDWARE\DEVICEMAP\SERIALCOMM, opened exclusively (a port another program
// holds is refused with access denied).
class WinSerialPorts final : public SerialPorts {
 public:
  QStringList names() override;
  std::unique_ptr<QIODevice> open(const QString& name, int baud, SerialFailure& failure) override;
};

}  // namespace dtu::platform
