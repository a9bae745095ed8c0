// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Network.h"

namespace dtu::platform {

class PosixNetwork : public Network {
 public:
  std::vector<InterfaceAddress> interfaceAddresses() override;
  std::optional<std::string> hostName() override;
  std::vector<std::string> resolveIpv4(const std::string& name) override;
  bool connectTcp(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout) override;
  HttpResponse httpGet(const HttpRequest& request) override;
};

}  // namespace dtu::platform
