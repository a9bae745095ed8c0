// SPDX-License-Identifier: MIT
// The network as the probes use it: addresses are dotted IPv4 text.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dtu::platform {

// One IPv4 address of a network interface, as the system lists it.
struct InterfaceAddress {
  std::string address;  // dotted text
  bool up = false;
  bool loopback = false;
};

struct HttpRequest {
  std::string url;
  std::chrono::milliseconds connectTimeout{21000};
  std::chrono::milliseconds totalTimeout{30000};
  std::size_t maxBodyBytes = std::size_t{1024} * 1024;  // of the decoded body
  int maxRedirects = 5;                                 // to http and https only
  // Asked before each hop's connection is made, with the address it goes to
  // (IPv4 or IPv6 text); false ends the request as Refused, and no packet
  // reaches that address (on Windows, see WinNetwork.cpp).
  std::function<bool(const std::string& connectedAddress)> allowConnection;
  // Asked before each redirect is followed, with the URL that redirects and
  // the absolute URL it points to; false ends the request as Redirected,
  // before any connection to the new URL. Empty: every redirect is followed.
  std::function<bool(const std::string& from, const std::string& to)> allowRedirect;
};

struct HttpResponse {
  enum class Outcome { Ok, Refused, Redirected, TooLarge, Failed };
  Outcome outcome = Outcome::Failed;
  std::string body;
  std::string contentType;  // the last response's Content-Type, "" when none
  int status = 0;           // the last response's HTTP status
  std::string error;        // with Failed: the reason, for the user
  // With Failed: the request was written before the failure, so the server
  // may have acted on it.
  bool requestSent = false;
  std::string location;  // with Redirected: the URL the redirect pointed to
};

class Network {
 public:
  virtual ~Network() = default;

  // Every IPv4 interface address in the system's order, unfiltered.
  // May be empty where the system answers for the host name itself.
  virtual std::vector<InterfaceAddress> interfaceAddresses() = 0;
  // This machine's host name; nullopt when it cannot be read.
  virtual std::optional<std::string> hostName() = 0;
  // The IPv4 addresses of a name in the resolver's order, without duplicates;
  // empty when the look-up fails.
  virtual std::vector<std::string> resolveIpv4(const std::string& name) = 0;
  // One TCP connection to a dotted IPv4 address, closed at once without
  // sending anything; false on refusal, failure or time-out.
  virtual bool connectTcp(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout) = 0;
  // One blocking HTTP GET.
  virtual HttpResponse httpGet(const HttpRequest& request) = 0;
};

}  // namespace dtu::platform
