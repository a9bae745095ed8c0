// SPDX-License-Identifier: MIT
// Loopback servers and probe services shared by the network tests. Everything
// listens on 127.0.0.1 only and every wait is bounded.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <stop_token>
#include <string>
#include <thread>

#include "core/net/NetProbe.h"
#include "support/FakeNetwork.h"

namespace dtu::net::testing {

using namespace std::chrono_literals;

// The few calls that differ between Windows Sockets and POSIX.
#ifdef _WIN32
using Socket = SOCKET;
inline constexpr Socket kNoSocket = INVALID_SOCKET;
inline Socket OpenSocket() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started ? ::socket(AF_INET, SOCK_STREAM, 0) : INVALID_SOCKET;
}
inline void CloseSocket(Socket s) { ::closesocket(s); }
inline int PollSocket(WSAPOLLFD p, int ms) { return ::WSAPoll(&p, 1, ms); }
inline Socket AcceptSocket(Socket s) { return ::accept(s, nullptr, nullptr); }
using WaitLimit = DWORD;
inline constexpr WaitLimit kWaitLimit = 2000;
inline constexpr int kSendFlags = 0;
#else
using Socket = int;
inline constexpr Socket kNoSocket = -1;
inline Socket OpenSocket() { return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }
inline void CloseSocket(Socket s) { ::close(s); }
inline int PollSocket(pollfd p, int ms) { return ::poll(&p, 1, ms); }
inline Socket AcceptSocket(Socket s) { return ::accept4(s, nullptr, nullptr, SOCK_CLOEXEC); }
using WaitLimit = timeval;
inline constexpr WaitLimit kWaitLimit{2, 0};
inline constexpr int kSendFlags = MSG_NOSIGNAL;
#endif

// Short time-outs, `network` for the outside world, and HTTP kept away from
// any proxy the environment names.
inline ProbeServices LoopbackServices(dtu::testing::FakeNetwork& network) {
  qputenv("no_proxy", "*");
  qputenv("NO_PROXY", "*");
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
      : fd_(OpenSocket()) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || (listening && ::listen(fd_, backlog) != 0)) {
      CloseSocket(fd_);
      fd_ = kNoSocket;
    }
  }
  ~LoopbackListener() { CloseSocket(fd_); }
  LoopbackListener(const LoopbackListener&) = delete;

  bool ok() const { return fd_ != kNoSocket; }
  Socket fd() const { return fd_; }
  uint16_t port() const {
    sockaddr_in a{};
    socklen_t length = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length);
    return ntohs(a.sin_port);
  }
  bool hasPendingConnection(std::chrono::milliseconds wait) const {
    return PollSocket({fd_, POLLIN, 0}, static_cast<int>(wait.count())) > 0;
  }

 private:
  Socket fd_;
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
      : CannedHttpServer(std::map<std::string, std::string>{{"", std::move(response)}}, address) {}
  // One response for each request path; "" answers any other path.
  explicit CannedHttpServer(std::map<std::string, std::string> responses, uint32_t address = INADDR_LOOPBACK)
      : listener_(16, true, address), address_(address), responses_(std::move(responses)) {
    if (listener_.ok()) thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
  }
  bool ok() const { return listener_.ok(); }
  std::string url() const {
    in_addr a{};
    a.s_addr = htonl(address_);
    return "http://" + std::string(::inet_ntoa(a)) + ":" + std::to_string(listener_.port()) + "/";
  }
  int requests() const { return requests_; }  // requests received, not connections
  int connections() const { return connections_; }

 private:
  void run(const std::stop_token& stop) {
    while (!stop.stop_requested()) {
      const Socket c = listener_.hasPendingConnection(20ms) ? AcceptSocket(listener_.fd()) : kNoSocket;
      if (c == kNoSocket) continue;
      ++connections_;
      for (const int option : {SO_SNDTIMEO, SO_RCVTIMEO})
        ::setsockopt(c, SOL_SOCKET, option, reinterpret_cast<const char*>(&kWaitLimit), sizeof kWaitLimit);
      // Closing with the request unread would reset the connection under the response.
      std::string request;
      char buffer[4096];
      for (int n = 1; n > 0 && request.find("\r\n\r\n") == std::string::npos;)
        if ((n = static_cast<int>(::recv(c, buffer, sizeof buffer, 0))) > 0)
          request.append(buffer, static_cast<size_t>(n));
      if (!request.empty()) ++requests_;  // a connection alone is not a request
      const std::size_t from = request.find(' ') + 1;
      auto found = responses_.find(request.substr(from, request.find(' ', from) - from));
      const std::string& response = (found == responses_.end() ? responses_[""] : found->second);
      for (int n = 1, sent = 0; n > 0 && sent < static_cast<int>(response.size()); sent += n)
        n = static_cast<int>(::send(c, response.data() + sent, static_cast<int>(response.size()) - sent, kSendFlags));
      while (response.empty() && !stop.stop_requested()) std::this_thread::sleep_for(10ms);
      CloseSocket(c);
    }
  }

  LoopbackListener listener_;
  uint32_t address_;
  std::atomic<int> requests_{0}, connections_{0};
  std::map<std::string, std::string> responses_;
  std::jthread thread_;  // last: stopped and joined before the members it uses go
};

}  // namespace dtu::net::testing
