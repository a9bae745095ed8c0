// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace dtu::net
