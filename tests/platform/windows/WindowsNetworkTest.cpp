// SPDX-License-Identifier: MIT
// WinHTTP and Windows Sockets against loopback servers.
#include <gtest/gtest.h>

#include "core/net/NetTestSupport.h"
#include "platform/windows/WinNetwork.h"

namespace dtu::platform {
namespace {

using namespace std::chrono_literals;
using Outcome = HttpResponse::Outcome;

const std::string kText = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";

class WinNetworkTest : public ::testing::Test {
 protected:
  WinNetwork network;
  net::testing::CannedHttpServer server{{{"/ok", kText + "hello"},
                                         {"/big", kText + std::string(64, 'x')},
                                         {"/dir/next", kText + "hello"},
                                         {"/dir/rel", "HTTP/1.0 302 Found\r\nLocation: ./x/../next#top\r\n\r\n"},
                                         {"/ftp", "HTTP/1.0 301 Moved\r\nLocation: ftp://127.0.0.1/ok\r\n\r\n"},
                                         {"/two", "HTTP/1.0 307 Again\r\nLocation: /dir/rel\r\n\r\n"},
                                         {"", "HTTP/1.0 404 Not Found\r\n\r\ngone"}}};
  std::string url(const std::string& path) const { return server.url() + path.substr(1); }
};

TEST_F(WinNetworkTest, GetsFollowsAndCapsOverLoopback) {
  struct Case {
    const char* path;
    std::size_t cap;
    Outcome outcome;
    std::string body, contentType, errorPart;
  };
  const Case cases[] = {
      {"/ok", 1024, Outcome::Ok, "hello", "text/plain", ""},
      {"/nothing", 1024, Outcome::Ok, "gone", "", ""},  // a 404 is the answer itself, as with curl
      {"/dir/rel", 1024, Outcome::Ok, "hello", "text/plain", ""},
      {"/big", 64, Outcome::Ok, std::string(64, 'x'), "text/plain", ""},
      {"/big", 63, Outcome::TooLarge, "", "", ""},
      {"/ftp", 1024, Outcome::Failed, "", "", "ftp://127.0.0.1/ok"},
      {"/two", 1024, Outcome::Failed, "", "", "too many redirects (limit 1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::vector<std::string> seen;
    const auto record = [&seen](const std::string& a) { return seen.push_back(a), true; };
    const HttpResponse r = network.httpGet({url(c.path), 2s, 5s, c.cap, 1, record});
    EXPECT_EQ(r.outcome, c.outcome);
    EXPECT_EQ(r.body, c.body);
    EXPECT_EQ(r.contentType, c.contentType);
    EXPECT_NE(r.error.find(c.errorPart), std::string::npos) << r.error;
    EXPECT_EQ(seen, std::vector<std::string>(std::max<std::size_t>(seen.size(), 1), "127.0.0.1"));
  }
  const auto refuse = [](const std::string&) { return false; };
  EXPECT_EQ(network.httpGet({url("/ok"), 2s, 5s, 1024, 1, refuse}).outcome, Outcome::Refused);
  // A redirect the caller refuses is not followed, and says where it pointed.
  const auto stay = [](const std::string&, const std::string& to) { return to.starts_with("http://"); };
  const HttpResponse away = network.httpGet({url("/ftp"), 2s, 5s, 1024, 1, {}, stay});
  EXPECT_EQ(std::pair(away.outcome, away.location), std::pair(Outcome::Redirected, std::string("ftp://127.0.0.1/ok")));
}

TEST_F(WinNetworkTest, ConnectsToAListenerAndFailsFastOnAClosedPort) {
  net::testing::LoopbackListener listener;
  EXPECT_TRUE(network.connectTcp("127.0.0.1", listener.port(), 2s));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(network.connectTcp("127.0.0.1", net::testing::ClosedLoopbackPort(), 8s));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 6s);
}

TEST_F(WinNetworkTest, ResolvesToDottedIpv4) {
  EXPECT_EQ(network.resolveIpv4("localhost").at(0), "127.0.0.1");
  EXPECT_TRUE(network.resolveIpv4("::1").empty());
}

}  // namespace
}  // namespace dtu::platform
