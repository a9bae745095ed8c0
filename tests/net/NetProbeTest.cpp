// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <optional>

#include "AppError.h"
#include "NetTestSupport.h"
#include "net/NetProbe.h"

namespace dtu::net {
namespace {

using namespace std::chrono_literals;
using testing::ClosedLoopbackPort;
using testing::LoopbackListener;

TEST(NetProbe, CutWanAddressAndDottedCheck) {
  const std::string lead(21, 'L'), trail(69, 'T');
  // clang-format off
  const std::pair<std::string, std::string> rows[] = {
      {"<html>\n<h2>" + lead + "203.0.113.7" + trail + "</h2><h2>" + lead + "192.0.2.1" + trail + "</h2>", "203.0.113.7"},
      {"<html>203.0.113.7</html>", ""},
      {"<H2>" + lead + "203.0.113.7" + trail + "</H2>", ""},
      {"<h2>" + lead + trail + "</h2>", ""},
      {"<h2>" + lead + "Z" + trail + "</h2>", "Z"},
      {"</h2>" + std::string(200, 'x') + "<h2>", ""},
      {std::string(24, 'a') + "0123456" + trail + "</h2>", "0123456"},  // no "<h2>": still from byte 25 to 94 before "</h2>"
  };
  // clang-format on
  for (const auto& [page, cut] : rows) EXPECT_EQ(CutWanAddress(page), cut) << page;
  for (const char* good : {"0.0.0.0", "255.255.255.255", "10.0.0.1"}) EXPECT_TRUE(IsDottedIpv4(good)) << good;
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "01.2.3.4", " 1.2.3.4", "1.2.3.4x", "1..3.4"})
    EXPECT_FALSE(IsDottedIpv4(bad)) << bad;
}

// The injected resolver's first and last addresses are told apart in ServerDiagnosticsTest.
TEST(NetProbe, ResolveAndTcpConnectOnlyToWhatItReports) {
  ProbeServices services = testing::LoopbackServices();
  EXPECT_EQ(ResolveHostAddress("localhost"), "127.0.0.1");
  EXPECT_EQ(ResolveHostAddress("203.0.113.7"), "203.0.113.7");  // numeric: nothing is queried
  EXPECT_EQ(ResolveHostAddress(""), "");
  LoopbackListener listener;
  ASSERT_TRUE(listener.ok());
  const int p = listener.port();
  // Neither a port beyond 16 bits nor a name cut short at a NUL may reach the listener.
  const std::pair<std::string, int> never[] = {{"127.0.0.1", p + 65536}, {std::string("127.0.0.1\0x", 11), p}};
  for (const auto& [address, port] : never) {
    EXPECT_FALSE(TestTcpConnect(address, port)) << port;
    EXPECT_FALSE(listener.HasPendingConnection(50ms)) << port << " reached " << p;
  }
  EXPECT_FALSE(TestTcpConnect("127.0.0.1", ClosedLoopbackPort()));
  ASSERT_TRUE(TestTcpConnect("127.0.0.1", p) && listener.HasPendingConnection(2s));
  const int c = ::accept(listener.fd(), nullptr, nullptr);
  pollfd end{c, POLLIN, 0};
  char byte;
  EXPECT_EQ(::poll(&end, 1, 2000), 1) << "the probe kept its end open";
  EXPECT_EQ(::recv(c, &byte, 1, MSG_DONTWAIT), 0) << "the probe sent data";
  ::close(c);

  services.timeouts.tcpConnect = 300ms;
  // Backlog 0 admits one connection; with the queue full the kernel drops
  // further SYNs instead of refusing them.
  LoopbackListener full(0);
  ASSERT_TRUE(full.ok() && TestTcpConnect("127.0.0.1", full.port(), services));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(TestTcpConnect("127.0.0.1", full.port(), services));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 250ms) << "ended early: the connection was refused, not left unanswered";
  EXPECT_LT(elapsed, 3s);
}

TEST(LocalAddress, FirstInterfaceThatIsUpAndNotLoopbackThenTheHostName) {
  ProbeServices services;
  services.resolve = [](const std::string& name) {
    return name == "dtu-host" ? std::vector<std::string>{"127.0.1.1", "192.0.2.50"} : std::vector<std::string>{};
  };
  const InterfaceAddress lo{"127.0.0.1", true, true}, down{"192.0.2.7", false, false};
  // clang-format off
  const struct { std::vector<InterfaceAddress> interfaces; std::optional<std::string> host; std::string expected; } rows[] = {
      {{lo, down, {"198.51.100.4", true, false}, {"203.0.113.9", true, false}}, "dtu-host", "198.51.100.4"},
      {{lo, down}, "dtu-host", "127.0.1.1"},  // the host name's first address
      {{}, "unknown-host", ""}, {{}, std::nullopt, ""}};
  // clang-format on
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

// Where the echo page's redirects may lead: loopback servers stand for the
// outside world by way of an injected address classifier.
constexpr uint32_t kSecondLoopback = 0x7f000002;  // 127.0.0.2, also loopback on Linux

// An internal hop only after an internal echo page (127.0.0.1 classed as
// public or not, every other address as usual), and only over http(s): the
// refused rows give the start of the message and must not reach the target.
TEST(Redirects, InternalHopsOnlyFromAnInternalEchoPageAndOnlyOverHttp) {
  // clang-format off
  const struct { bool firstHopPublic; uint32_t target; const char *scheme, *refusal, *afterUrl; } cases[] = {  // refusal null: followed
      {false, kSecondLoopback, "http", nullptr, nullptr},
      {true, kSecondLoopback, "http", "The public address could not be read from ", "."},
      {true, INADDR_LOOPBACK, "http", nullptr, nullptr},
      {false, INADDR_LOOPBACK, "ftp", "Could not fetch ", ": "},
      {false, INADDR_LOOPBACK, "gopher", "Could not fetch ", ": "}};
  // clang-format on
  const std::string page = std::string(21, 'L') + "203.0.113.9" + std::string(69, 'T');
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ProbeServices services = testing::LoopbackServices();
    if (c.firstHopPublic)
      services.isInternal = [](const std::string& a) { return a != "127.0.0.1" && IsInternalAddress(a); };
    testing::CannedHttpServer target(testing::HttpResponse(200, "text/html", "<h2>" + page + "</h2>"), c.target);
    testing::CannedHttpServer echo(std::string("HTTP/1.1 302 Found\r\nLocation: ") + c.scheme + target.url().substr(4) +
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

// The IPv4 range boundaries are tabled in SmsCheckTest (the same classifier).
TEST(Redirects, InternalAddresses) {
  for (const char* address :
       {"0.1.2.3", "10.1.2.3", "::1", "fe80::1", "fd12::1", "::ffff:192.168.0.1", "", "not an address"})
    EXPECT_TRUE(IsInternalAddress(address)) << address;
  for (const char* address : {"203.0.113.9", "::ffff:8.8.8.8", "2001:4860::8888"})
    EXPECT_FALSE(IsInternalAddress(address)) << address;
}

}  // namespace
}  // namespace dtu::net
