// SPDX-License-Identifier: MIT
// Where the echo page's redirects may lead: loopback servers stand for the
// outside world by way of the address classifier hook.
#include <gtest/gtest.h>

#include "AppError.h"
#include "NetTestSupport.h"
#include "net/NetProbe.h"
#include "support/TestSupport.h"

namespace dtu::net::testing {
namespace {

constexpr uint32_t kSecondLoopback = 0x7f000002;  // 127.0.0.2, also loopback on Linux

std::string Redirect(const std::string& location) {
  return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}
const std::string kPage =
    HttpResponse(200, "text/html", "<h2>" + std::string(21, 'L') + "203.0.113.9" + std::string(69, 'T') + "</h2>");

TEST(Redirects, InternalHopsOnlyFromAnInternalEchoPage) {
  const struct {
    bool firstHopPublic;  // 127.0.0.1 classed as public, every other address as usual
    bool toSecondAddress, followed;
  } cases[] = {{false, true, true}, {true, true, false}, {true, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.firstHopPublic * 10 + c.toSecondAddress);
    ProbeHookScope hooks;
    if (c.firstHopPublic)
      SetAddressClassifierForTesting([](const std::string& a) { return a != "127.0.0.1" && IsInternalAddress(a); });
    CannedHttpServer target(kPage, c.toSecondAddress ? kSecondLoopback : INADDR_LOOPBACK);
    CannedHttpServer echo(Redirect(target.url() + "final"));
    ASSERT_TRUE(target.ok() && echo.ok());
    if (c.followed) {
      EXPECT_EQ(GetWanAddress(echo.url()), "203.0.113.9");
      EXPECT_EQ(target.requests(), 1);
    } else {
      EXPECT_APP_ERROR(GetWanAddress(echo.url()),
                       QString::fromStdString("The public address could not be read from " + echo.url() + "."));
      EXPECT_EQ(target.requests(), 0);
    }
  }
}

TEST(Redirects, OnlyToHttpOrHttps) {
  ProbeHookScope hooks;
  for (const char* location : {"file:///etc/hostname", "ftp://127.0.0.1/", "gopher://127.0.0.1/"}) {
    CannedHttpServer echo(Redirect(location));
    ASSERT_TRUE(echo.ok());
    EXPECT_THROW(GetWanAddress(echo.url()), AppError) << location;
  }
}

TEST(Redirects, InternalAddresses) {
  const std::pair<const char*, bool> cases[] = {
      {"127.0.0.1", true},
      {"10.1.2.3", true},
      {"172.16.0.1", true},
      {"172.31.255.255", true},
      {"172.32.0.1", false},
      {"172.15.255.255", false},
      {"192.168.1.1", true},
      {"169.254.9.9", true},
      {"100.64.0.1", true},
      {"100.127.255.255", true},
      {"100.128.0.0", false},
      {"100.63.255.255", false},
      {"0.1.2.3", true},
      {"8.8.8.8", false},
      {"203.0.113.9", false},
      {"::1", true},
      {"fe80::1", true},
      {"fd12::1", true},
      {"::ffff:192.168.0.1", true},
      {"::ffff:8.8.8.8", false},
      {"2001:4860::8888", false},
      {"", true},
      {"not an address", true},
  };
  for (const auto& [address, internal] : cases) EXPECT_EQ(IsInternalAddress(address), internal) << address;
}

}  // namespace
}  // namespace dtu::net::testing
