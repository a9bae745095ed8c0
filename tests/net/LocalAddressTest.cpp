// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include "NetTestSupport.h"
#include "net/NetProbe.h"

namespace dtu::net {
namespace {

using testing::ProbeHookScope;

TEST(LocalAddress, FirstInterfaceThatIsUpAndNotLoopbackThenTheHostName) {
  ProbeHookScope hooks;
  const std::map<std::string, std::vector<std::string>> names = {{"dtu-host", {"127.0.1.1", "192.0.2.50"}}};
  SetResolverForTesting([&](const std::string& name) {
    const auto found = names.find(name);
    return found == names.end() ? std::vector<std::string>{} : found->second;
  });
  const InterfaceAddress lo{"127.0.0.1", true, true}, down{"192.0.2.7", false, false};
  const struct {
    const char* what;
    std::vector<InterfaceAddress> interfaces;
    std::optional<std::string> host;
    std::string expected;
  } rows[] = {
      {"system order decides",
       {lo, down, {"198.51.100.4", true, false}, {"203.0.113.9", true, false}},
       "dtu-host",
       "198.51.100.4"},
      {"only loopback and down interfaces: the host name's first address", {lo, down}, "dtu-host", "127.0.1.1"},
      {"no interface, a name without address", {}, "unknown-host", ""},
      {"no interface, no name", {}, std::nullopt, ""},
  };
  for (const auto& r : rows) {
    SetInterfaceAddressSourceForTesting([&] { return r.interfaces; });
    SetHostNameSourceForTesting([&] { return r.host; });
    EXPECT_EQ(GetLocalHostAddress(), r.expected) << r.what;
  }

  SetInterfaceAddressSourceForTesting([]() -> std::vector<InterfaceAddress> { throw std::runtime_error("no list"); });
  SetHostNameSourceForTesting([] { return std::optional<std::string>("dtu-host"); });
  EXPECT_EQ(GetLocalHostAddress(), "127.0.1.1") << "an unreadable interface list falls back to the host name";
}

// The real interface list: the loopback interface never wins, whatever the machine has.
TEST(LocalAddress, SystemInterfacesSkipLoopback) {
  ProbeHookScope hooks;
  SetHostNameSourceForTesting([] { return std::optional<std::string>(); });
  const std::string address = GetLocalHostAddress();
  EXPECT_FALSE(address.starts_with("127.")) << address;
  EXPECT_TRUE(address.empty() || IsDottedIpv4(address)) << address;
}

}  // namespace
}  // namespace dtu::net
