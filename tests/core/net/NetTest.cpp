// SPDX-License-Identifier: MIT
// The probes against loopback servers, and the diagnostics behind their view.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "NetTestSupport.h"
#include "core/AppError.h"
#include "core/text/AnsiCodec.h"
#include "core/window/ServerDiagnostics.h"
#include "support/FakeCodePage.h"

namespace dtu::net {
namespace {

using namespace std::chrono_literals;
using testing::ClosedLoopbackPort;
using testing::LoopbackListener;
using Log = std::vector<std::string>;
using dtu::testing::FakeNetwork;

TEST(NetProbe, CutWanAddress) {
  const std::string lead(21, 'L'), trail(69, 'T');
  // clang-format off
  const std::pair<std::string, std::string> rows[] = {
      {"<html>\n<h2>" + lead + "203.0.113.7" + trail + "</h2><h2>" + lead + "192.0.2.1" + trail + "</h2>", "203.0.113.7"},
      {"<html>203.0.113.7</html>", ""}, {"<H2>" + lead + "203.0.113.7" + trail + "</H2>", ""},
      {"<h2>" + lead + trail + "</h2>", ""}, {"<h2>" + lead + "Z" + trail + "</h2>", "Z"},
      {"</h2>" + std::string(200, 'x') + "<h2>", ""},
      {std::string(24, 'a') + "0123456" + trail + "</h2>", "0123456"},  // no "<h2>": still from byte 25 to 94 before "</h2>"
  };
  // clang-format on
  for (const auto& [page, cut] : rows) EXPECT_EQ(CutWanAddress(page), cut) << page;
}

#ifndef _WIN32
// glibc's inet_pton is the reference; it reads a C string, so text with a NUL
// inside is no address at all.
template <int Family, std::size_t N>
std::optional<std::array<std::uint8_t, N>> InetPton(const std::string& text) {
  std::array<std::uint8_t, N> bytes{};
  if (text.find('\0') != std::string::npos || ::inet_pton(Family, text.c_str(), bytes.data()) != 1) return std::nullopt;
  return bytes;
}

void ExpectParsedAsInetPton(const std::string& text) {
  EXPECT_EQ(ParseIpv4(text), (InetPton<AF_INET, 4>(text))) << text;
  EXPECT_EQ(ParseIpv6(text), (InetPton<AF_INET6, 16>(text))) << text;
  EXPECT_EQ(IsDottedIpv4(text), ParseIpv4(text).has_value()) << text;
}

TEST(AddressParsers, AgreeWithInetPton) {
  using namespace std::string_literals;
  // clang-format off
  for (const std::string& text :
       {""s, "255.255.255.255"s, "1.2.3"s, "1.2.3.4.5"s, "256.1.1.1"s, "01.2.3.4"s, "1.2.3.04"s, " 1.2.3.4"s,
        "1.2.3.4x"s, "1.2.3.4."s, "1.2.3.4\0"s, "1:2:3:4:5:6:7:8"s, "1:2:3:4:5:6:7::"s, "::2:3:4:5:6:7:8"s,
        "::1:2:3:4:5:6:7:8"s, "1:2:3:4:5:6:7:8::"s, "12345::"s, "abcd:EF01::"s, "g::"s, "::ffff:10.0.0.1"s,
        "::ffff:1.2.3"s, "::1.2.3.4"s, "1:2:3:4:5:6:1.2.3.4"s, "1:2:3:4:5:6:7:1.2.3.4"s, "1:2:3:4:5:6:7:8:1.2.3.4"s,
        "::1.2.3.4:1"s, "::\0"s, "fe80::1%eth0"s, "[::1]"s})
    // clang-format on
    ExpectParsedAsInetPton(text);
  // Every text of up to seven characters over digits, a hex letter, colons and dots.
  for (std::vector<std::string> texts{""}, longer; texts[0].size() < 7; texts = std::exchange(longer, {}))
    for (const std::string& text : texts)
      for (const char c : std::string_view("01f:.")) ExpectParsedAsInetPton(longer.emplace_back(text + c));
}
#endif

// Which of the scripted resolver's addresses counts is told by the mapping judgement.
TEST(NetProbe, TcpConnectOnlyToWhatItReports) {
#ifdef _WIN32
  GTEST_SKIP() << "reads the probe's end with POSIX poll and relies on Linux's full-backlog behaviour";
#else
  FakeNetwork network;
  ProbeServices services = testing::LoopbackServices(network);
  LoopbackListener listener;
  ASSERT_TRUE(listener.ok());
  const int p = listener.port();
  // Neither a port beyond 16 bits nor a name cut short at a NUL may reach the
  // listener, nor a host name given to the system's connect (the probe resolves).
  EXPECT_FALSE(platform::PosixNetwork().connectTcp("localhost", static_cast<std::uint16_t>(p), 1s));
  const std::pair<std::string, int> never[] = {{"127.0.0.1", p + 65536}, {std::string("127.0.0.1\0x", 11), p}};
  for (const auto& [address, port] : never) {
    EXPECT_FALSE(TestTcpConnect(address, port, services)) << port;
    EXPECT_FALSE(listener.hasPendingConnection(50ms)) << port << " reached " << p;
  }
  EXPECT_FALSE(TestTcpConnect("127.0.0.1", ClosedLoopbackPort(), services));
  ASSERT_TRUE(TestTcpConnect("127.0.0.1", p, services) && listener.hasPendingConnection(2s));
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
#endif
}

// Where the echo page's redirects may lead: loopback servers stand for the
// outside world by way of an injected address classifier.
constexpr uint32_t kSecondLoopback = 0x7f000002;  // 127.0.0.2, also loopback on Linux

// An internal hop only after an internal echo page (127.0.0.1 classed as
// public or not, every other address as usual), and only over http(s): the
// refused rows give the start of the message and must not reach the target,
// not even with a connection.
TEST(Redirects, InternalHopsOnlyFromAnInternalEchoPageAndOnlyOverHttp) {
  // clang-format off
  const struct { bool firstHopPublic; uint32_t target; const char *scheme, *refusal, *afterUrl; } cases[] = {  // refusal null: followed
      {false, kSecondLoopback, "http", nullptr, nullptr}, {true, INADDR_LOOPBACK, "http", nullptr, nullptr},
      {true, kSecondLoopback, "http", "The public address could not be read from ", "."},
      {false, INADDR_LOOPBACK, "ftp", "Could not fetch ", ": "},
      {false, INADDR_LOOPBACK, "gopher", "Could not fetch ", ": "}};
  // clang-format on
  const std::string page = std::string(21, 'L') + "203.0.113.9" + std::string(69, 'T');
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeNetwork network;
    ProbeServices services = testing::LoopbackServices(network);
    if (c.firstHopPublic)
      services.isInternal = [](const std::string& a) { return a != "127.0.0.1" && IsInternalAddress(a); };
    testing::CannedHttpServer target(testing::HttpResponse(200, "text/html", "<h2>" + page + "</h2>"), c.target);
    testing::CannedHttpServer echo(std::string("HTTP/1.1 302 Found\r\nLocation: ") + c.scheme + target.url().substr(4) +
                                   "final\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    ASSERT_TRUE(target.ok() && echo.ok());
    std::string outcome;
    try {
      services.echoUrl = echo.url();
      outcome = GetWanAddress(dtu::testing::TestCodec(), services);
    } catch (const AppError& error) {
      outcome = error.message().toStdString();
    }
    const std::string expected = c.refusal ? c.refusal + echo.url() + c.afterUrl : "203.0.113.9";
    EXPECT_EQ(outcome.substr(0, c.refusal ? expected.size() : std::string::npos), expected);
    EXPECT_EQ(std::pair(target.requests(), target.connections()), c.refusal ? std::pair(0, 0) : std::pair(1, 1));
  }
}

// The IPv4 range boundaries are tabled with the SMS check (the same classifier).
// IPv4-mapped and -compatible addresses count as the IPv4 address they hold.
TEST(Redirects, InternalAddresses) {
  using namespace std::string_literals;
  for (const std::string& address :
       {"0.1.2.3"s, "10.1.2.3"s, "::"s, "::1"s, "::2"s, "fe80::1"s, "febf::1"s, "fec0::1"s, "feff::1"s, "fc00::1"s,
        "fdff::1"s, "::ffff:192.168.0.1"s, "::ffff:7f00:1"s, "::10.0.0.1"s, ""s, "not an address"s, "1.2.3.04"s,
        "8.8.8.8\0"s, "::ffff:8.8.8.8\0"s})
    EXPECT_TRUE(IsInternalAddress(address)) << address;
  for (const char* address : {"203.0.113.9", "::ffff:8.8.8.8", "::8.8.8.8", "::ffff:808:808", "2001:4860::8888",
                              "fe7f::1", "fbff::1", "fe00::1", "ff02::1", "::1:0:0:1", "0:0:0:0:1::"})
    EXPECT_FALSE(IsInternalAddress(address)) << address;
}

// The fixture is the view: its calls and the probe hooks all land in one log.
class Diagnostics : public ::testing::Test, public DiagnosticsView {
 protected:
  // clang-format off
  void SetUp() override {
    services.pumpEvents = [this] { log.push_back("probe-pump"); };
    network.onResolve = [this](const std::string& name) { log.push_back("resolve:" + name); };
    network.host = "dtu-host";
    // Only loopback addresses are ever connected to.
    network.names = {{"dtu-host", {"192.0.2.10", "192.0.2.20"}}, {"last.test", {"192.0.2.99", "192.0.2.10"}},
        {"first.test", {"192.0.2.10", "192.0.2.99"}}, {" 127.0.0.1", {"127.0.0.1"}}};
  }
  void TearDown() override { EXPECT_EQ(busyDepth, 0) << "busy cursor left on"; }
  void set(int newMode, const QString& newIp, const QString& newDomain) {
    log.clear();
    std::tie(mode, ip, domain) = std::tie(newMode, newIp, newDomain);
  }
  int serverMode() const override { return mode; }
  QString staticIp() const override { return ip; }
  void setStaticIp(const QString& text) override { log.push_back("setStaticIp:" + text.toStdString()); }
  QString domainAddress() const override { return domain; }
  int port() override { log.push_back("port"); return portValue; }
  void setStatusText(const QString& text) override { status = text; log.push_back("status:" + text.toStdString()); }
  void processPendingEvents() override { log.push_back("view-pump"); }
  void showInvalidField(const char* field) override { log.push_back(std::string("invalid:") + field); }
  void showInformation(const QString& caption, const QString& text) override {
    log.push_back("box:" + caption.toStdString() + "|" + text.toStdString());
  }
  void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; log.push_back(busy ? "busy" : "idle"); }

  // No interface of this machine may stand in for the scripted host name.
  FakeNetwork network;
  net::ProbeServices services = net::testing::LoopbackServices(network);
  AnsiCodec codec = dtu::testing::TestCodec();
  Log log;
  int mode = 0, portValue = 6000, busyDepth = 0;
  QString ip, domain, status = "previous";
  // clang-format on
};

TEST_F(Diagnostics, PortTestOrderAndTargetAsTyped) {
  net::testing::LoopbackListener listener;
  ASSERT_TRUE(listener.ok());
  const int p = portValue = listener.port();
  // clang-format off
  const auto Result = [p](bool ok, const std::string& target) {
    return "With IP =" + target + ", port =" + std::to_string(p) + " of server connection is " + (ok ? "successful!" : "failed!");
  };
  set(0, " 127.0.0.1", "");
  TestServerPort(*this, codec, services);
  const std::string ok = Result(true, " 127.0.0.1");
  EXPECT_EQ(log, (Log{"port", "status:Are experimenting with IP = 127.0.0.1, port =" + std::to_string(p) + " of server connection...",
                      "view-pump", "busy", "probe-pump", "resolve: 127.0.0.1", "probe-pump", "idle", "status:" + ok, "box:Prompt|" + ok}));
  // clang-format on

  codec = dtu::testing::TestCodec("ISO-8859-1");
  set(1, "127.0.0.1", QString::fromUtf8("服务.test"));
  TestServerPort(*this, codec, services);
  EXPECT_NE(std::find(log.begin(), log.end(), "resolve:??.test"), log.end());
  EXPECT_EQ(log.back(), "box:Prompt|" + Result(false, "??.test"));

  set(-1, "127.0.0.1", "127.0.0.1");
  TestServerPort(*this, codec, services);
  const std::string failed = Result(false, "");
  EXPECT_EQ(log, (Log{"port", "busy", "probe-pump", "idle", "status:" + failed, "box:Prompt|" + failed}));

  set(1, "127.0.0.1", " \t");
  TestServerPort(*this, codec, services);
  EXPECT_EQ(log, Log{"invalid:Domain address"});
}

// A blank field (white space and control characters, not other Unicode
// spaces) stops at the invalid-field box.
TEST_F(Diagnostics, MappingJudgement) {
  const std::string same =
      "box:Prompt|The local IP network segment with the WAN IP is identical, users do not need port mapping.";
  const std::string differ =
      "box:Prompt|The local IP network segment with the WAN IP is different, you need to do port mapping in router.";
  // clang-format off
  const struct { int mode; QString ip, domain; bool hostKnown; std::string last; } rows[] = {
      {0, "192.0.2.10", "first.test", true, same}, {0, "192.0.2.20", "", true, differ},
      {0, " 192.0.2.10 ", "", true, differ}, {0, QChar(0xA0), "", true, differ},
      {1, "192.0.2.20", "last.test", true, same}, {1, "", "first.test", true, differ},
      {1, "", "nowhere.test", false, same}, {-1, "192.0.2.10", "last.test", true, "box:Prompt|"},
      {0, " \t\r\n", "last.test", true, "invalid:Static IP"}, {1, "192.0.2.10", QChar(0x1F), true, "invalid:Domain address"}};
  // clang-format on
  for (const auto& r : rows) {
    set(r.mode, r.ip, r.domain);
    network.host = r.hostKnown ? std::optional<std::string>("dtu-host") : std::nullopt;
    JudgeMapping(*this, codec, services);
    EXPECT_EQ(log.back(), r.last) << r.mode << ' ' << r.ip.toStdString() << r.domain.toStdString();
    EXPECT_TRUE(log.size() == 1 || !r.last.starts_with("invalid:")) << "the box is all";
    EXPECT_EQ(status, "previous");
  }
}

TEST_F(Diagnostics, ObtainIpTakesOnlyAnAddress) {
  services.timeouts.httpTotal = 400ms;
  // clang-format off
  const auto page = [](int status, const std::string& body) { return net::testing::HttpResponse(status, "text/html", body); };
  const auto heading = [](const std::string& text) { return "<h2>" + std::string(21, 'L') + text + std::string(69, 'T') + "</h2>"; };
  // Without a length up front only the program's own cap stops the page.
  const std::string latin1 = net::testing::HttpResponse(200, "text/html; Charset=\"ISO-8859-1\"",
      "<h2>" + std::string(19, 'L') + "\xE9" + "203.0.113.6" + std::string(69, 'T') + "</h2>");  // é: two bytes in UTF-8
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n100001\r\n" + std::string(net::kMaxWanBodyBytes + 1, 'x') + "\r\n0\r\n\r\n";
  // No address: AppError with this text, and no setStaticIp.
  const struct { std::string response, address, error; } rows[] = {
      {page(200, heading("203.0.113.7")), "203.0.113.7", ""}, {page(404, heading("203.0.113.8")), "203.0.113.8", ""},
      {latin1, "203.0.113.6", ""},
      {page(200, heading("IP: 203.0.113.7")), "", "could not be read"},
      {page(200, std::string(net::kMaxWanBodyBytes, 'x')), "", "could not be read"},
      {page(200, std::string(net::kMaxWanBodyBytes + 1, 'x')), "", "larger than 1 MiB"}, {chunked, "", "larger than 1 MiB"},
      {"", "", "Could not fetch"}};
  // clang-format on
  for (const auto& r : rows) {
    set(0, "192.0.2.200", "");
    net::testing::CannedHttpServer server(r.response);
    ASSERT_TRUE(server.ok());
    try {
      services.echoUrl = server.url();
      ObtainIp(*this, codec, services);
      EXPECT_EQ(log, (Log{"busy", "idle", "setStaticIp:" + r.address})) << r.address;
    } catch (const AppError& e) {
      EXPECT_NE(e.message().indexOf(QString::fromStdString(r.error)), -1) << e.what();
      EXPECT_TRUE(!r.error.empty() && (log == Log{"busy", "idle"})) << e.what();
    }
  }
}

}  // namespace
}  // namespace dtu::net
