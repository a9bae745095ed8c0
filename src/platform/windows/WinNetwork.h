// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Network.h"

namespace dtu::platform {

// Windows Sockets for names and connections, WinHTTP for the web request.
class WinNetwork : public Network {
 public:
  WinNetwork();
  ~WinNetwork() override;
  WinNetwork(const WinNetwork&) = delete;
  WinNetwork& operator=(const WinNetwork&) = delete;

  std::vector<InterfaceAddress> interfaceAddresses() override;
  std::optional<std::string> hostName() override;
  std::vector<std::string> resolveIpv4(const std::string& name) override;
  bool connectTcp(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout) override;
  HttpResponse httpGet(const HttpRequest& request) override;

 private:
  bool started_ = false;  // Winsock is usable
};

}  // namespace dtu::platform
