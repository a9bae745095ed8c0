// SPDX-License-Identifier: MIT
#include "net/NetProbe.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <map>
#include <stdexcept>
#include <vector>

#include "AppError.h"
#include "NetTestSupport.h"

namespace dtu::net {
namespace {

using namespace std::chrono_literals;
using testing::CannedHttpServer;
using testing::ClosedLoopbackPort;
using testing::HttpResponse;
using testing::LoopbackListener;
using testing::ProbeHookScope;

const std::string kLead(21, 'L');    // framing bytes before the address
const std::string kTrail(69, 'T');   // framing bytes after it

std::string Heading(const std::string& address) { return "<h2>" + kLead + address + kTrail + "</h2>"; }

TEST(CutWanAddress, Table) {
  struct Row {
    const char* name;
    std::string page;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"framed at start", Heading("203.0.113.7"), "203.0.113.7"},
      {"framed inside a page", "<html><body>\n" + Heading("198.51.100.20") + "<p>x</p>", "198.51.100.20"},
      {"only the first heading counts", Heading("203.0.113.7") + Heading("192.0.2.1"), "203.0.113.7"},
      {"empty page", "", ""},
      {"no tags", "<html>203.0.113.7</html>", ""},
      {"upper-case tags", "<H2>" + kLead + "203.0.113.7" + kTrail + "</H2>", ""},
      {"upper-case closing tag", "<h2>" + kLead + "203.0.113.7" + kTrail + "</H2>", ""},
      {"content of 90 bytes", "<h2>" + std::string(90, 'x') + "</h2>", ""},
      {"content of 91 bytes", "<h2>" + std::string(21, 'x') + "Z" + std::string(69, 'x') + "</h2>", "Z"},
      {"closing tag before opening", "</h2>" + std::string(200, 'x') + "<h2>", ""},
      // Without "<h2>" the cut still runs from byte 25 up to 94 bytes before "</h2>".
      {"only a closing tag", std::string(24, 'a') + "0123456" + std::string(69, 'b') + "</h2>", "0123456"},
      // Bytes, not characters: two-byte characters in the frame shift nothing.
      {"multi-byte framing", "<h2>" + std::string(10, 'x') + "\xC3\xA9" + std::string(9, 'x') + "1.2.3.4" +
                                 std::string(69, 'y') + "</h2>",
       "1.2.3.4"},
  };
  for (const Row& r : rows) EXPECT_EQ(CutWanAddress(r.page), r.expected) << r.name;
}

TEST(IsDottedIpv4, Table) {
  const std::map<std::string, bool> rows = {
      {"0.0.0.0", true},      {"255.255.255.255", true}, {"203.0.113.7", true},  {"10.0.0.1", true},
      {"", false},            {"1.2.3", false},          {"1.2.3.4.", false},    {"1.2.3.4.5", false},
      {"256.1.1.1", false},   {"1.2.3.256", false},      {"01.2.3.4", false},    {" 1.2.3.4", false},
      {"1.2.3.4 ", false},    {"1.2.3.4\n", false},      {"1..3.4", false},      {"a.b.c.d", false},
      {"1.2.3.-4", false},    {"1234.1.1.1", false},     {"1.2.3.4x", false},    {"<h2>", false},
  };
  for (const auto& [text, valid] : rows) EXPECT_EQ(IsDottedIpv4(text), valid) << '"' << text << '"';
}

class LookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetHostNameSourceForTesting([this]() -> std::optional<std::string> {
      ++hostNameReads;
      return hostName;
    });
    SetResolverForTesting([this](const std::string& name) {
      events.push_back("lookup:" + name);
      if (throwOnLookup) throw std::runtime_error("resolver failed");
      const auto it = table.find(name);
      return it == table.end() ? std::vector<std::string>{} : it->second;
    });
    SetEventPump([this] { events.push_back("pump"); });
  }

  ProbeHookScope hooks;
  std::optional<std::string> hostName = "dtu-host";
  int hostNameReads = 0;
  bool throwOnLookup = false;
  std::map<std::string, std::vector<std::string>> table = {
      {"dtu-host", {"192.168.1.10", "10.0.0.5"}},
      {"server.test", {"192.0.2.1", "192.0.2.2", "192.0.2.3"}},
  };
  std::vector<std::string> events;
};

TEST_F(LookupTest, LocalAddressIsFirstResolvedAddressIsLast) {
  EXPECT_EQ(GetLocalHostAddress(), "192.168.1.10");
  EXPECT_EQ(ResolveHostAddress("server.test"), "192.0.2.3");
  EXPECT_EQ(ResolveHostAddress("missing.test"), "");
}

TEST_F(LookupTest, ResolvePumpsOnceBeforeTheLookup) {
  ResolveHostAddress("server.test");
  EXPECT_EQ(events, (std::vector<std::string>{"pump", "lookup:server.test"}));
  events.clear();
  GetLocalHostAddress();  // the local look-up does not pump
  EXPECT_EQ(events, (std::vector<std::string>{"lookup:dtu-host"}));
}

TEST_F(LookupTest, HostNameMustFitTheBuffer) {
  const std::string longest(63, 'h');
  table[longest] = {"192.0.2.63"};
  hostName = longest;
  EXPECT_EQ(GetLocalHostAddress(), "192.0.2.63");

  hostName = longest + "h";
  table[*hostName] = {"192.0.2.64"};
  events.clear();
  EXPECT_EQ(GetLocalHostAddress(), "");
  EXPECT_TRUE(events.empty()) << "a 64-character name must not be looked up";

  hostName = std::nullopt;
  EXPECT_EQ(GetLocalHostAddress(), "");
}

TEST_F(LookupTest, ResolverErrorsGiveEmptyText) {
  throwOnLookup = true;
  EXPECT_EQ(ResolveHostAddress("server.test"), "");
  EXPECT_EQ(GetLocalHostAddress(), "");
}

TEST(SystemResolver, LoopbackDottedAndEmpty) {
  ProbeHookScope hooks;
  EXPECT_EQ(ResolveHostAddress("localhost"), "127.0.0.1");
  EXPECT_EQ(ResolveHostAddress("127.0.0.1"), "127.0.0.1");
  EXPECT_EQ(ResolveHostAddress("203.0.113.7"), "203.0.113.7");  // numeric: no query leaves the machine
  EXPECT_EQ(ResolveHostAddress(""), "");
  const std::string local = GetLocalHostAddress();
  EXPECT_TRUE(local.empty() || IsDottedIpv4(local)) << local;
}

// ---- TCP connect ----------------------------------------------------------

TEST(TestTcpConnect, AcceptedConnectionIsClosedWithoutData) {
  ProbeHookScope hooks;
  int pumps = 0;
  SetEventPump([&] { ++pumps; });
  LoopbackListener listener;
  ASSERT_TRUE(listener.ok());

  EXPECT_TRUE(TestTcpConnect("127.0.0.1", listener.port()));
  EXPECT_EQ(pumps, 1);
  ASSERT_TRUE(listener.HasPendingConnection(2s));
  const int c = ::accept(listener.fd(), nullptr, nullptr);
  ASSERT_GE(c, 0);
  pollfd p{c, POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 2000), 1) << "the probe should have closed its end";
  char byte;
  EXPECT_EQ(::recv(c, &byte, 1, 0), 0) << "the probe must not send anything";
  ::close(c);
}

TEST(TestTcpConnect, RefusedPortFails) {
  ProbeHookScope hooks;
  EXPECT_FALSE(TestTcpConnect("127.0.0.1", ClosedLoopbackPort()));
}

TEST(TestTcpConnect, PortsOutsideTheTcpRangeNeverConnect) {
  ProbeHookScope hooks;
  LoopbackListener listener;
  ASSERT_TRUE(listener.ok());
  const int p = listener.port();
  for (const int port : {p + 65536, 65536, 0, -1, -65536 + p, 100000}) {
    EXPECT_FALSE(TestTcpConnect("127.0.0.1", port)) << port;
    EXPECT_FALSE(listener.HasPendingConnection(50ms)) << "port " << port << " reached " << p;
  }
}

TEST(TestTcpConnect, Port70000DoesNotReach4464) {
  ProbeHookScope hooks;
  LoopbackListener listener(16, 4464);
  if (!listener.ok()) GTEST_SKIP() << "port 4464 is in use on this machine";
  EXPECT_FALSE(TestTcpConnect("127.0.0.1", 70000));
  EXPECT_FALSE(listener.HasPendingConnection(50ms));
  EXPECT_TRUE(TestTcpConnect("127.0.0.1", 4464));  // the listener itself is reachable
}

TEST(TestTcpConnect, OnlyDottedAddressesAreTried) {
  ProbeHookScope hooks;
  LoopbackListener listener;
  ASSERT_TRUE(listener.ok());
  const std::vector<std::string> addresses = {
      "", "localhost", "127.1", " 127.0.0.1", "127.0.0.1 ", std::string("127.0.0.1\0junk", 14), "0x7f.0.0.1"};
  for (const std::string& a : addresses) {
    EXPECT_FALSE(TestTcpConnect(a, listener.port())) << '"' << a << '"';
    EXPECT_FALSE(listener.HasPendingConnection(20ms)) << '"' << a << '"';
  }
}

TEST(TestTcpConnect, UnansweredConnectEndsAtTheTimeout) {
  ProbeHookScope hooks;
  // Backlog 0 lets one connection into the accept queue; once it is full the
  // kernel drops further SYNs instead of refusing them.
  LoopbackListener listener(0);
  ASSERT_TRUE(listener.ok());
  std::vector<int> fillers;
  for (int i = 0; i < 2; ++i) {
    const int f = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(listener.port());
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
    fillers.push_back(f);
  }
  ASSERT_TRUE(listener.HasPendingConnection(1s));

  ProbeTimeouts t = CurrentTimeouts();
  t.tcpConnect = 300ms;
  SetTimeoutsForTesting(t);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(TestTcpConnect("127.0.0.1", listener.port()));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 250ms) << "ended early: the SYN was refused, not dropped";
  EXPECT_LT(elapsed, 3s);
  for (const int f : fillers) ::close(f);
}

// ---- WAN address over HTTP ------------------------------------------------

TEST(GetWanAddress, Pages) {
  ProbeHookScope hooks;
  const std::string mib(kMaxWanBodyBytes, 'x');
  struct Row {
    const char* name;
    std::string response;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"framed heading", HttpResponse(200, "text/html", "<html>" + Heading("203.0.113.7") + "</html>"),
       "203.0.113.7"},
      {"status is not examined", HttpResponse(404, "text/html", Heading("203.0.113.8")), "203.0.113.8"},
      {"empty body", HttpResponse(200, "", ""), ""},
      // 20 Latin-1 bytes on the wire, 21 bytes once re-encoded in the UTF-8 test charset.
      {"declared charset", HttpResponse(200, "text/html; charset=ISO-8859-1",
                                        "<h2>" + std::string(19, 'x') + "\xE9" + "203.0.113.9" + kTrail + "</h2>"),
       "203.0.113.9"},
      {"byte-order mark", HttpResponse(200, "text/html", "\xEF\xBB\xBF" + Heading("203.0.113.10")), "203.0.113.10"},
      {"body of exactly 1 MiB", HttpResponse(200, "text/html", mib), ""},
  };
  for (const Row& r : rows) {
    CannedHttpServer server(r.response);
    ASSERT_TRUE(server.ok());
    try {
      EXPECT_EQ(GetWanAddress(server.url()), r.expected) << r.name;
    } catch (const AppError& e) {
      ADD_FAILURE() << r.name << ": " << e.what();
    }
  }
}

TEST(GetWanAddress, FailuresRaiseAppError) {
  ProbeHookScope hooks;
  ProbeTimeouts t = CurrentTimeouts();
  t.httpTotal = 400ms;
  SetTimeoutsForTesting(t);
  const std::string big(kMaxWanBodyBytes + 1, 'x');
  struct Row {
    const char* name;
    std::string response;
    bool silent;
    std::string messagePart;
  };
  const std::vector<Row> rows = {
      {"oversized, length announced", HttpResponse(200, "text/html", big), false, "larger than 1 MiB"},
      {"oversized, no length", HttpResponse(200, "text/html", big, false), false, "larger than 1 MiB"},
      {"server never answers", "", true, "Could not fetch"},
  };
  for (const Row& r : rows) {
    CannedHttpServer server(r.response, r.silent);
    ASSERT_TRUE(server.ok());
    const auto start = std::chrono::steady_clock::now();
    try {
      GetWanAddress(server.url());
      ADD_FAILURE() << r.name << ": no error";
    } catch (const AppError& e) {
      EXPECT_NE(e.message().indexOf(QString::fromStdString(r.messagePart)), -1) << r.name << ": " << e.what();
      EXPECT_NE(e.message().indexOf(QString::fromStdString(server.url())), -1) << r.name << ": " << e.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << r.name;
  }

  const std::string refused = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/";
  EXPECT_THROW(GetWanAddress(refused), AppError);
  EXPECT_THROW(GetWanAddress("file:///etc/hostname"), AppError);  // only HTTP(S) is fetched
}

}  // namespace
}  // namespace dtu::net
