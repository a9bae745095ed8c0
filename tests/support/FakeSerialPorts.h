// SPDX-License-Identifier: MIT
// Serial devices that fail as told, for the messages a failed open gives.
#pragma once

#include "platform/SerialPorts.h"

namespace dtu::testing {

class FakeSerialPorts final : public platform::SerialPorts {
 public:
  platform::SerialFailure failure;
  QStringList names() override { return {QStringLiteral("/dev/ttyFAKE0")}; }
  std::unique_ptr<QIODevice> open(const QString&, int, platform::SerialFailure& out) override {
    out = failure;
    return nullptr;
  }
};

}  // namespace dtu::testing
