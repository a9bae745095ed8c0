// SPDX-License-Identifier: MIT
// A network whose interfaces, host name and names are scripted; connections
// and web requests go to the real one, so that tests reach the loopback
// servers they start and nothing else.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/windows/WinNetwork.h"
using SystemNetwork = dtu::platform::WinNetwork;
#else
#include "platform/posix/PosixNetwork.h"
using SystemNetwork = dtu::platform::PosixNetwork;
#endif

namespace dtu::testing {

class FakeNetwork : public platform::Network {
 public:
  std::vector<platform::InterfaceAddress> interfaces;
  std::optional<std::string> host;
  // Names and their addresses in resolver order; any other name fails.
  std::map<std::string, std::vector<std::string>> names;
  // Sees every name looked up, before the answer.
  std::function<void(const std::string& name)> onResolve;

  std::vector<platform::InterfaceAddress> interfaceAddresses() override { return interfaces; }
  std::optional<std::string> hostName() override { return host; }
  std::vector<std::string> resolveIpv4(const std::string& name) override {
    if (onResolve) onResolve(name);
    const auto found = names.find(name);
    return found == names.end() ? std::vector<std::string>() : found->second;
  }
  bool connectTcp(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout) override {
    return real_.connectTcp(address, port, timeout);
  }
  platform::HttpResponse httpGet(const platform::HttpRequest& request) override { return real_.httpGet(request); }

 private:
  SystemNetwork real_;
};

}  // namespace dtu::testing
