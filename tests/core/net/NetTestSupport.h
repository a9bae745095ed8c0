// SPDX-License-Identifier: MIT
// Loopback servers and probe services shared by the network tests. Everything
// listens on 127.0.0.1 only and every wait is bounded.
#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <stop_token>
#include <string>
#include <thread>

#include "core/net/NetProbe.h"
#include "support/FakeNetwork.h"

namespace dtu::net::testing {

using namespace std::chrono_literals;

// Short time-outs, `network` for the outside world, and HTTP kept away from
// any proxy the environment names.
inline ProbeServices LoopbackServices(dtu::testing::FakeNetwork& network) {
  setenv("no_proxy", "*", 1);
  setenv("NO_PROXY", "*", 1);
  ProbeServices services;
  services.network = &network;
  services.timeouts = {2s, 2s, 5s};
  return services;
}

// A socket bound to a free port of 127.0.0.1 (or another loopback address),
// listening unless told otherwise.
class LoopbackListener {
 public:
  explicit LoopbackListener(int backlog = 16, bool listening = true, uint32_t address = INADDR_LOOPBACK)
      : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in a{AF_INET, 0, {htonl(address)}, {}};
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || (listening && ::listen(fd_, backlog) != 0)) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~LoopbackListener() { ::close(fd_); }
  LoopbackListener(const LoopbackListener&) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  uint16_t port() const {
    sockaddr_in a{};
    socklen_t length = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length);
    return ntohs(a.sin_port);
  }
  bool HasPendingConnection(std::chrono::milliseconds wait) const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(wait.count())) > 0;
  }

 private:
  int fd_;
};

// A port of 127.0.0.1 that nothing listens on: bound, never listened, closed.
inline uint16_t ClosedLoopbackPort() { return LoopbackListener(0, false).port(); }

inline std::string HttpResponse(int status, const std::string& contentType, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Not Found") +
         "\r\nContent-Type: " + contentType + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

// Answers every request with one canned response; an empty one means silence
// until the server is destroyed.
class CannedHttpServer {
 public:
  explicit CannedHttpServer(std::string response, uint32_t address = INADDR_LOOPBACK)
      : listener_(16, true, address), address_(address), response_(std::move(response)) {
    if (listener_.ok()) thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  }
  bool ok() const { return listener_.ok(); }
  std::string url() const {
    const in_addr a{htonl(address_)};
    return "http://" + std::string(::inet_ntoa(a)) + ":" + std::to_string(listener_.port()) + "/";
  }
  int requests() const { return requests_; }  // requests received, not connections

 private:
  void Run(const std::stop_token& stop) {
    while (!stop.stop_requested()) {
      const int c =
          listener_.HasPendingConnection(20ms) ? ::accept4(listener_.fd(), nullptr, nullptr, SOCK_CLOEXEC) : -1;
      if (c < 0) continue;
      const timeval limit{2, 0};
      ::setsockopt(c, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
      ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
      // Closing with the request unread would reset the connection under the response.
      std::string request;
      char buffer[4096];
      for (ssize_t n = 1; n > 0 && request.find("\r\n\r\n") == std::string::npos;)
        if ((n = ::recv(c, buffer, sizeof buffer, 0)) > 0) request.append(buffer, static_cast<size_t>(n));
      if (!request.empty()) ++requests_;  // a connection alone is not a request
      for (ssize_t n = 1, sent = 0; n > 0 && sent < static_cast<ssize_t>(response_.size()); sent += n)
        n = ::send(c, response_.data() + sent, response_.size() - sent, MSG_NOSIGNAL);
      while (response_.empty() && !stop.stop_requested()) std::this_thread::sleep_for(10ms);
      ::close(c);
    }
  }

  LoopbackListener listener_;
  uint32_t address_;
  std::atomic<int> requests_{0};
  std::string response_;
  std::jthread thread_;  // last: stopped and joined before the members it uses go
};

}  // namespace dtu::net::testing
