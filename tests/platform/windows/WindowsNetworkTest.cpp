// SPDX-License-Identifier: MIT
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <map>
#include <thread>

#include "platform/windows/WinNetwork.h"

namespace dtu::platform {
namespace {

using namespace std::chrono_literals;
using Outcome = HttpResponse::Outcome;

// Answers each connection on 127.0.0.1 with the reply for its request path.
class LoopbackServer {
 public:
  explicit LoopbackServer(std::map<std::string, std::string> replies) : replies_(std::move(replies)) {
    sockaddr_in a{AF_INET, 0, {}, {}};
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof a;
    // A failure leaves port 0, which every test notices.
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener_, 8);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~LoopbackServer() {
    stop_ = true;
    thread_.join();
    closesocket(listener_);
  }
  std::uint16_t port() const { return port_; }

 private:
  void serve() {
    while (!stop_) {
      WSAPOLLFD ready{listener_, POLLRDNORM, 0};
      const SOCKET c = WSAPoll(&ready, 1, 50) == 1 ? accept(listener_, nullptr, nullptr) : INVALID_SOCKET;
      if (c == INVALID_SOCKET) continue;
      DWORD wait = 2000;
      setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
      std::string head;
      char chunk[512];
      for (int n = 0; head.find("\r\n\r\n") == std::string::npos && (n = recv(c, chunk, sizeof chunk, 0)) > 0;)
        head.append(chunk, n);
      const size_t from = head.find(' ') + 1;
      const auto reply = replies_.find(head.substr(from, head.find(' ', from) - from));
      const std::string text = reply == replies_.end() ? "HTTP/1.0 404 Not Found\r\n\r\ngone" : reply->second;
      send(c, text.data(), static_cast<int>(text.size()), 0);
      closesocket(c);
    }
  }
  SOCKET listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  std::map<std::string, std::string> replies_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

const std::string kText = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";

class WinNetworkTest : public ::testing::Test {
 protected:
  WinNetwork network;  // starts Winsock for the server too
  LoopbackServer server{{{"/ok", kText + "hello"},
                         {"/big", kText + std::string(64, 'x')},
                         {"/dir/next", kText + "hello"},
                         {"/dir/rel", "HTTP/1.0 302 Found\r\nLocation: ./x/../next#top\r\n\r\n"},
                         {"/ftp", "HTTP/1.0 301 Moved\r\nLocation: ftp://127.0.0.1/ok\r\n\r\n"},
                         {"/two", "HTTP/1.0 307 Again\r\nLocation: /dir/rel\r\n\r\n"}}};
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(server.port()) + path; }
};

TEST_F(WinNetworkTest, GetsFollowsAndCapsOverLoopback) {
  struct Case { const char* path; std::size_t cap; Outcome outcome; std::string body, contentType, errorPart; };
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
}

TEST_F(WinNetworkTest, ConnectsToAListenerAndFailsFastOnAClosedPort) {
  EXPECT_TRUE(network.connectTcp("127.0.0.1", server.port(), 2s));
  const std::uint16_t closed = LoopbackServer({}).port();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(network.connectTcp("127.0.0.1", closed, 8s));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 6s);
}

TEST_F(WinNetworkTest, ResolvesToDottedIpv4) {
  const std::vector<std::string> local = network.resolveIpv4("localhost");
  ASSERT_FALSE(local.empty());
  EXPECT_EQ(local.front(), "127.0.0.1");
  EXPECT_TRUE(network.resolveIpv4("::1").empty());
  EXPECT_TRUE(network.interfaceAddresses().empty());
  EXPECT_FALSE(network.hostName().value_or("").empty());
}

}  // namespace
}  // namespace dtu::platform
