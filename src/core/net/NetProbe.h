// SPDX-License-Identifier: MIT
// Blocking network probes behind the diagnostics buttons. They keep no state
// between calls; what they use of the outside world comes in ProbeServices.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "BuildConfig.h"
#include "core/text/AnsiCodec.h"
#include "platform/Network.h"

namespace dtu::net {

// The IP-echo page fetched by "Obtain IP", fixed at build time.
inline constexpr const char* WanEchoUrl = kBuiltInWanEchoUrl;

using AddressClassifier = std::function<bool(const std::string& address)>;

struct ProbeTimeouts {
  std::chrono::milliseconds tcpConnect{21000};
  std::chrono::milliseconds httpConnect{21000};
  std::chrono::milliseconds httpTotal{30000};
};

// The parts of the outside world the probes use, passed to each call: the
// window fills in its event pump and the system's network, tests a scripted
// network in front of loopback servers.
struct ProbeServices {
  // Lets the window process its pending events before a blocking step. Empty: none.
  std::function<void()> pumpEvents;
  // Interfaces, host name, resolver, connections and web requests. Must be set.
  platform::Network* network = nullptr;
  // The redirect rule of GetWanAddress, so that loopback servers can stand
  // for public ones. Empty: IsInternalAddress.
  AddressClassifier isInternal;
  ProbeTimeouts timeouts;
  // The IP-echo page fetched by "Obtain IP".
  std::string echoUrl = WanEchoUrl;
};

// Dotted IPv4 text of this machine: the first IPv4 address of an interface
// that is up and not loopback, in the system's interface order. Without one,
// the first address of the machine's own name (at most 63 characters), which
// on Debian is a loopback address; empty when that fails too.
std::string GetLocalHostAddress(const ProbeServices& services);

// Dotted IPv4 text of the LAST address a name resolves to; a dotted address
// gives itself. Processes pending window events once before the look-up.
// Never throws: anything that goes wrong gives "".
std::string ResolveHostAddress(const std::string& name, const ProbeServices& services);

// Fetches services.echoUrl and cuts the public address out of it (CutWanAddress).
// Throws AppError when the request fails or the body exceeds kMaxWanBodyBytes.
// Up to five redirects are followed, to http and https only, and never to a
// connected address that services.isInternal calls internal unless the page's
// own address is internal too; such a hop fails as an unreadable address.
// The result is not checked for the form of an address. The page's own charset
// goes through codec's code page; the address comes back in codec's charset.
std::string GetWanAddress(const AnsiCodec& codec, const ProbeServices& services);
inline constexpr std::size_t kMaxWanBodyBytes = std::size_t{1024} * 1024;

// One GET under the redirect rule of GetWanAddress and the probe time-outs,
// a redirect followed only when `allowRedirect` (if any) allows it; the
// response as the network gives it.
platform::HttpResponse FetchGuarded(
    const std::string& url, std::size_t maxBodyBytes, const ProbeServices& services,
    std::function<bool(const std::string& from, const std::string& to)> allowRedirect = {});

// The cut applied to the page's 8-bit text: the first "<h2>" heading without
// its leading 21 and trailing 69 bytes; "" when the tags are missing or the
// heading is too short. Tags are matched case-sensitively.
std::string CutWanAddress(std::string_view page);

// One TCP connection attempt, closed at once without sending anything. False
// for anything that is not a dotted IPv4 address, for a port outside
// 1..65535 (never wrapped to 16 bits), and when the connect does not complete
// within the connect time-out.
bool TestTcpConnect(const std::string& address, int port, const ProbeServices& services);

// Four decimal octets 0..255 without leading zeros and nothing else (what
// glibc's inet_pton takes); the address in network order.
std::optional<std::array<std::uint8_t, 4>> ParseIpv4(std::string_view text);
bool IsDottedIpv4(std::string_view text);
// IPv6 text (RFC 4291): up to eight groups of one to four hex digits, one
// "::" for a run of zero groups, and a dotted IPv4 tail in the last 32 bits.
std::optional<std::array<std::uint8_t, 16>> ParseIpv6(std::string_view text);

// The IPv4 ranges a host on another network cannot reach.
enum class Ipv4Range { Public, ThisNetwork, Loopback, Private, LinkLocal, SharedNat };
// The range of a dotted IPv4 address (IsDottedIpv4); nullopt for anything else.
std::optional<Ipv4Range> ClassifyIpv4(std::string_view dotted);

// Any range but Public, their IPv6 kin (also IPv4-mapped); text that is no
// address counts too.
bool IsInternalAddress(const std::string& address);

}  // namespace dtu::net
