// SPDX-License-Identifier: MIT
// Loopback servers and hook scopes shared by the network tests. Everything
// listens on 127.0.0.1 only and every wait is bounded.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

#include "net/NetProbe.h"

namespace dtu::net::testing {

using namespace std::chrono_literals;

// Restores every probe hook when the test ends; keeps HTTP from any proxy the
// environment names.
class ProbeHookScope {
 public:
  ProbeHookScope() {
    setenv("no_proxy", "*", 1);
    setenv("NO_PROXY", "*", 1);
    ProbeTimeouts t;
    t.tcpConnect = 2s;
    t.httpConnect = 2s;
    t.httpTotal = 5s;
    SetTimeoutsForTesting(t);
  }
  ~ProbeHookScope() {
    SetEventPump({});
    SetResolverForTesting({});
    SetHostNameSourceForTesting({});
    SetTimeoutsForTesting(ProbeTimeouts{});
  }
  ProbeHookScope(const ProbeHookScope&) = delete;
  ProbeHookScope& operator=(const ProbeHookScope&) = delete;
};

inline int BindLoopback(uint16_t port, int backlog, bool listenToo = true) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || (listenToo && ::listen(fd, backlog) != 0)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

inline uint16_t LocalPort(int fd) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

// A port on 127.0.0.1 that nothing listens on (bound, never listened, closed).
inline uint16_t ClosedLoopbackPort() {
  const int fd = BindLoopback(0, 0, false);
  const uint16_t port = fd >= 0 ? LocalPort(fd) : 1;
  if (fd >= 0) ::close(fd);
  return port;
}

class LoopbackListener {
 public:
  explicit LoopbackListener(int backlog = 16, uint16_t port = 0) : fd_(BindLoopback(port, backlog)) {}
  ~LoopbackListener() {
    if (fd_ >= 0) ::close(fd_);
  }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  uint16_t port() const { return LocalPort(fd_); }

  bool HasPendingConnection(std::chrono::milliseconds wait) const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(wait.count())) > 0;
  }

 private:
  int fd_;
};

inline std::string HttpResponse(int status, const std::string& contentType, const std::string& body,
                                bool withLength = true) {
  std::string r = "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Not Found") + "\r\n";
  if (!contentType.empty()) r += "Content-Type: " + contentType + "\r\n";
  if (withLength) r += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  r += "Connection: close\r\n\r\n";
  return r + body;
}

// Answers every request with one canned response, or with silence.
class CannedHttpServer {
 public:
  explicit CannedHttpServer(std::string response, bool silent = false)
      : listener_(16), response_(std::move(response)), silent_(silent) {
    if (listener_.ok()) thread_ = std::thread([this] { Run(); });
  }
  ~CannedHttpServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  CannedHttpServer(const CannedHttpServer&) = delete;
  CannedHttpServer& operator=(const CannedHttpServer&) = delete;

  bool ok() const { return listener_.ok(); }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(listener_.port()) + "/"; }
  int requests() const { return requests_; }

 private:
  void Run() {
    while (!stop_) {
      if (!listener_.HasPendingConnection(20ms)) continue;
      const int c = ::accept4(listener_.fd(), nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      timeval tv{2, 0};
      ::setsockopt(c, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
      ReadRequest(c);
      ++requests_;
      if (silent_) {
        while (!stop_) std::this_thread::sleep_for(10ms);
      } else {
        size_t sent = 0;
        while (sent < response_.size() && !stop_) {
          const ssize_t n = ::send(c, response_.data() + sent, response_.size() - sent, MSG_NOSIGNAL);
          if (n <= 0) break;
          sent += static_cast<size_t>(n);
        }
        ::shutdown(c, SHUT_WR);
      }
      ::close(c);
    }
  }

  void ReadRequest(int c) {
    std::string request;
    char buffer[4096];
    for (int rounds = 0; rounds < 100 && !stop_ && request.find("\r\n\r\n") == std::string::npos; ++rounds) {
      pollfd p{c, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      request.append(buffer, static_cast<size_t>(n));
    }
  }

  LoopbackListener listener_;
  std::string response_;
  bool silent_;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

}  // namespace dtu::net::testing
