// SPDX-License-Identifier: MIT
// Where the echo page's redirects may lead: loopback servers stand for the
// outside world by way of an injected address classifier.
#include <gtest/gtest.h>

#include "AppError.h"
#include "NetTestSupport.h"
#include "net/NetProbe.h"
#include "support/TestSupport.h"

namespace dtu::net::testing {
namespace {

constexpr uint32_t kSecondLoopback = 0x7f000002;  // 127.0.0.2, also loopback on Linux

// An internal hop only after an internal echo page (127.0.0.1 classed as
// public or not, every other address as usual), and only over http(s): the
// refused rows give the start of the message and must not reach the target.
TEST(Redirects, InternalHopsOnlyFromAnInternalEchoPageAndOnlyOverHttp) {
  const struct {
    bool firstHopPublic;
    uint32_t target;
    const char* scheme;
    const char *refusal, *afterUrl;  // null: followed
  } cases[] = {
      // clang-format off
      {false, kSecondLoopback, "http", nullptr, nullptr},
      {true, kSecondLoopback, "http", "The public address could not be read from ", "."},
      {true, INADDR_LOOPBACK, "http", nullptr, nullptr},
      {false, INADDR_LOOPBACK, "ftp", "Could not fetch ", ": "},
      {false, INADDR_LOOPBACK, "gopher", "Could not fetch ", ": "},
      // clang-format on
  };
  const std::string page = std::string(21, 'L') + "203.0.113.9" + std::string(69, 'T');
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ProbeServices services = LoopbackServices();
    if (c.firstHopPublic)
      services.isInternal = [](const std::string& a) { return a != "127.0.0.1" && IsInternalAddress(a); };
    CannedHttpServer target(HttpResponse(200, "text/html", "<h2>" + page + "</h2>"), c.target);
    CannedHttpServer echo(std::string("HTTP/1.1 302 Found\r\nLocation: ") + c.scheme + target.url().substr(4) +
                          "final\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    ASSERT_TRUE(target.ok() && echo.ok());
    std::string outcome;
    try {
      services.echoUrl = echo.url();
      outcome = GetWanAddress(services);
    } catch (const AppError& error) {
      outcome = error.message().toStdString();
    }
    const std::string expected = c.refusal ? c.refusal + echo.url() + c.afterUrl : "203.0.113.9";
    EXPECT_EQ(outcome.substr(0, c.refusal ? expected.size() : std::string::npos), expected);
    EXPECT_EQ(target.requests(), c.refusal ? 0 : 1);
  }
}

TEST(Redirects, InternalAddresses) {
  for (const char* address :
       {"127.0.0.1", "10.1.2.3", "172.16.0.1", "172.31.255.255", "192.168.1.1", "169.254.9.9", "100.64.0.1",
        "100.127.255.255", "0.1.2.3", "::1", "fe80::1", "fd12::1", "::ffff:192.168.0.1", "", "not an address"})
    EXPECT_TRUE(IsInternalAddress(address)) << address;
  for (const char* address : {"172.32.0.1", "172.15.255.255", "100.128.0.0", "100.63.255.255", "8.8.8.8", "203.0.113.9",
                              "::ffff:8.8.8.8", "2001:4860::8888"})
    EXPECT_FALSE(IsInternalAddress(address)) << address;
}

}  // namespace
}  // namespace dtu::net::testing
