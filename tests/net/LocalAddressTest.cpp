// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <optional>

#include "NetTestSupport.h"
#include "net/NetProbe.h"

namespace dtu::net {
namespace {

TEST(LocalAddress, FirstInterfaceThatIsUpAndNotLoopbackThenTheHostName) {
  ProbeServices services;
  services.resolve = [](const std::string& name) {
    return name == "dtu-host" ? std::vector<std::string>{"127.0.1.1", "192.0.2.50"} : std::vector<std::string>{};
  };
  const InterfaceAddress lo{"127.0.0.1", true, true}, down{"192.0.2.7", false, false};
  const struct {
    std::vector<InterfaceAddress> interfaces;
    std::optional<std::string> host;
    std::string expected;
  } rows[] = {
      {{lo, down, {"198.51.100.4", true, false}, {"203.0.113.9", true, false}}, "dtu-host", "198.51.100.4"},
      {{lo, down}, "dtu-host", "127.0.1.1"},  // the host name's first address
      {{}, "unknown-host", ""},
      {{}, std::nullopt, ""},
  };
  for (const auto& r : rows) {
    services.interfaces = [&] { return r.interfaces; };
    services.hostName = [&] { return r.host; };
    EXPECT_EQ(GetLocalHostAddress(services), r.expected) << r.interfaces.size() << ' ' << r.host.value_or("-");
  }
  // The real interface list: loopback never wins, whatever this machine has.
  services.interfaces = {};
  services.hostName = [] { return std::optional<std::string>(); };
  EXPECT_FALSE(GetLocalHostAddress(services).starts_with("127."));
}

}  // namespace
}  // namespace dtu::net
