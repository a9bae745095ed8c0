// SPDX-License-Identifier: MIT
#include "core/net/NetProbe.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <thread>

#include "core/AppError.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/text/AnsiCodec.h"

namespace dtu::net {

namespace {

void PumpEvents(const ProbeServices& services) {
  if (services.pumpEvents) services.pumpEvents();
}

// Names reach the platform as C strings, so anything after a NUL is not part
// of the name.
std::string CName(const std::string& s) { return std::string(s.c_str()); }

platform::Network& Network(const ProbeServices& services) {
  assert(services.network != nullptr);
  return *services.network;
}

std::vector<std::string> Lookup(const std::string& name, const ProbeServices& services) {
  return Network(services).resolveIpv4(CName(name));
}

// The host name's own answer is only a fallback: Debian maps it to 127.0.1.1.
std::string FirstInterfaceAddress(const ProbeServices& services) {
  for (const platform::InterfaceAddress& entry : Network(services).interfaceAddresses())
    if (entry.up && !entry.loopback && !entry.address.empty()) return entry.address;
  return {};
}

// The charset parameter of a Content-Type value, "" when there is none.
std::string CharsetOf(const std::string& value) {
  std::string lower = value;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto at = lower.find("charset=");
  if (at == std::string::npos) return {};
  std::string cs = value.substr(at + 8);
  cs = cs.substr(0, cs.find_first_of("; \t"));
  cs.erase(std::remove(cs.begin(), cs.end(), '"'), cs.end());
  return cs;
}

QString DecodeBody(const std::string& body, const std::string& charset, platform::CodePage& codePage) {
  if (!charset.empty()) return AnsiCodec(charset, codePage).toUnicode(body);  // unknown names fall back to UTF-8
  std::string_view view(body);
  if (view.starts_with("\xEF\xBB\xBF")) view.remove_prefix(3);
  return AnsiCodec("UTF-8", codePage).toUnicode(view);
}

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Where the echo page may lead: a hijacked or hostile page must not make the
// program fetch a host in the user's own network, unless the echo page
// itself lives there (a test or a company server).
class HopRule {
 public:
  explicit HopRule(const AddressClassifier& isInternal) : isInternal_(isInternal) {}
  bool allows(const std::string& connectedAddress) {
    const bool internal = isInternal_ ? isInternal_(connectedAddress) : IsInternalAddress(connectedAddress);
    if (!firstHopSeen_) {
      firstHopSeen_ = true;
      internalAllowed_ = internal;
      return true;
    }
    return !internal || internalAllowed_;
  }

 private:
  const AddressClassifier& isInternal_;
  bool firstHopSeen_ = false;
  bool internalAllowed_ = false;
};

using Ipv4Bytes = std::array<std::uint8_t, 4>;
using Ipv6Bytes = std::array<std::uint8_t, 16>;

Ipv4Range RangeOf(const Ipv4Bytes& v4) {
  const std::uint32_t a = std::uint32_t{v4[0]} << 24 | std::uint32_t{v4[1]} << 16 | std::uint32_t{v4[2]} << 8 | v4[3];
  const auto in = [a](std::uint32_t net, int bits) { return (a >> (32 - bits)) == (net >> (32 - bits)); };
  if (in(0x7f000000, 8)) return Ipv4Range::Loopback;
  if (in(0x0a000000, 8) || in(0xac100000, 12) || in(0xc0a80000, 16)) return Ipv4Range::Private;
  if (in(0xa9fe0000, 16)) return Ipv4Range::LinkLocal;
  if (in(0x64400000, 10)) return Ipv4Range::SharedNat;
  if (in(0x00000000, 8)) return Ipv4Range::ThisNetwork;
  return Ipv4Range::Public;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string GetLocalHostAddress(const ProbeServices& services) {
  try {
    if (std::string address = FirstInterfaceAddress(services); !address.empty()) return address;
  } catch (...) {
    // An interface list that cannot be read leaves the host name.
  }
  try {
    std::optional<std::string> name = Network(services).hostName();
    if (!name) return {};
    const std::string cname = CName(*name);
    if (cname.size() > 63) return {};  // would not fit the 64-byte host-name buffer
    const std::vector<std::string> list = Lookup(cname, services);
    return list.empty() ? std::string() : list.front();
  } catch (...) {
    return {};
  }
}

std::string ResolveHostAddress(const std::string& name, const ProbeServices& services) {
  std::string result;
  PumpEvents(services);
  try {
    for (const std::string& address : Lookup(name, services)) result = address;
  } catch (...) {
    // A failed look-up is just "no address".
  }
  return result;
}

std::string CutWanAddress(std::string_view page) {
  // 1-based positions, 0 when absent.
  auto position = [&](std::string_view tag) -> long long {
    const auto at = page.find(tag);
    return at == std::string_view::npos ? 0 : static_cast<long long>(at) + 1;
  };
  const long long p1 = position("<h2>");
  const long long p2 = position("</h2>");
  // Skip "<h2>" and the 21 framing bytes before the address; drop the 69 after it.
  long long start = p1 + 25;
  long long length = p2 - p1 - 94;
  const auto size = static_cast<long long>(page.size());
  if (start < 1) start = 1;
  if (start > size || length <= 0) return {};
  length = std::min(length, size - start + 1);
  return std::string(page.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length)));
}

platform::HttpResponse FetchGuarded(const std::string& url, std::size_t maxBodyBytes, const ProbeServices& services,
                                    std::function<bool(const std::string& from, const std::string& to)> allowRedirect) {
  HopRule hops(services.isInternal);
  platform::HttpRequest request;
  request.url = url;
  request.connectTimeout = services.timeouts.httpConnect;
  request.totalTimeout = services.timeouts.httpTotal;
  request.maxBodyBytes = maxBodyBytes;
  request.allowConnection = [&hops](const std::string& address) { return hops.allows(address); };
  request.allowRedirect = std::move(allowRedirect);
  return Network(services).httpGet(request);
}

std::string GetWanAddress(const AnsiCodec& codec, const ProbeServices& services) {
  const std::string& url = services.echoUrl;
  const platform::HttpResponse response = FetchGuarded(url, kMaxWanBodyBytes, services);
  switch (response.outcome) {
    case platform::HttpResponse::Outcome::Ok:
      break;
    case platform::HttpResponse::Outcome::Refused:
    case platform::HttpResponse::Outcome::Redirected:  // no rule of this request refuses one
      throw AppError(FormatMessage(Translate("The public address could not be read from %s."), {Q(url)}));
    case platform::HttpResponse::Outcome::TooLarge:
      throw AppError(FormatMessage(Translate("The page at %s is larger than 1 MiB."), {Q(url)}));
    case platform::HttpResponse::Outcome::Failed:
      throw AppError(FormatMessage(Translate("Could not fetch %s: %s"), {Q(url), Q(response.error)}));
  }
  const QString text = DecodeBody(response.body, CharsetOf(response.contentType), codec.codePage());
  return CutWanAddress(codec.fromUnicode(text));
}

bool TestTcpConnect(const std::string& address, int port, const ProbeServices& services) {
  std::this_thread::yield();
  try {
    PumpEvents(services);
    // The port field goes up to 99999; wrapping it to 16 bits would test a
    // different port than the one reported.
    if (port < 1 || port > 65535) return false;
    if (!IsDottedIpv4(address)) return false;
    return Network(services).connectTcp(address, static_cast<std::uint16_t>(port), services.timeouts.tcpConnect);
  } catch (...) {
    return false;
  }
}

bool IsInternalAddress(const std::string& address) {
  std::optional<Ipv4Bytes> v4 = ParseIpv4(address);
  if (!v4) {
    const std::optional<Ipv6Bytes> v6 = ParseIpv6(address);
    if (!v6) return true;  // not an address at all: nothing to trust
    const Ipv6Bytes& b = *v6;
    const bool zeros80 = std::all_of(b.begin(), b.begin() + 10, [](std::uint8_t x) { return x == 0; });
    const bool mapped = zeros80 && b[10] == 0xff && b[11] == 0xff;
    const bool zeros96 = zeros80 && b[10] == 0 && b[11] == 0;
    const bool lastAtMostOne = b[12] == 0 && b[13] == 0 && b[14] == 0 && b[15] <= 1;
    if (mapped || (zeros96 && !lastAtMostOne)) {
      v4 = Ipv4Bytes{b[12], b[13], b[14], b[15]};
    } else {
      // :: and ::1, fe80::/10 link-local, fec0::/10 site-local, fc00::/7 unique local.
      return zeros96 || (b[0] == 0xfe && (b[1] & 0xc0) == 0x80) || (b[0] == 0xfe && (b[1] & 0xc0) == 0xc0) ||
             (b[0] & 0xfe) == 0xfc;
    }
  }
  return RangeOf(*v4) != Ipv4Range::Public;
}

std::optional<Ipv4Range> ClassifyIpv4(std::string_view dotted) {
  const std::optional<Ipv4Bytes> v4 = ParseIpv4(dotted);
  if (!v4) return std::nullopt;
  return RangeOf(*v4);
}

bool IsDottedIpv4(std::string_view text) { return ParseIpv4(text).has_value(); }

std::optional<std::array<std::uint8_t, 4>> ParseIpv4(std::string_view text) {
  Ipv4Bytes out{};
  std::size_t octet = 0;
  int digits = 0;
  unsigned value = 0;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      if (digits == 1 && value == 0) return std::nullopt;  // a leading zero
      value = value * 10 + static_cast<unsigned>(c - '0');
      if (value > 255) return std::nullopt;
      ++digits;
    } else if (c == '.' && digits > 0 && octet < 3) {
      out[octet++] = static_cast<std::uint8_t>(value);
      digits = 0;
      value = 0;
    } else {
      return std::nullopt;
    }
  }
  if (octet != 3 || digits == 0) return std::nullopt;
  out[3] = static_cast<std::uint8_t>(value);
  return out;
}

std::optional<std::array<std::uint8_t, 16>> ParseIpv6(std::string_view text) {
  Ipv6Bytes out{};
  std::size_t filled = 0;          // bytes written to out
  std::optional<std::size_t> gap;  // where "::" stands, in bytes
  std::size_t pos = 0;
  // A leading "::" is the only place a group may be empty before a colon.
  if (text.starts_with("::")) {
    gap = 0;
    pos = 2;
  } else if (text.starts_with(":")) {
    return std::nullopt;
  }
  while (pos < text.size()) {
    const std::size_t groupStart = pos;
    unsigned value = 0;
    while (pos < text.size() && pos - groupStart < 5 && HexValue(text[pos]) >= 0)
      value = value * 16 + static_cast<unsigned>(HexValue(text[pos++]));
    const std::size_t digits = pos - groupStart;
    if (pos < text.size() && text[pos] == '.') {
      // The dotted tail ends the text and fills the last four bytes.
      const std::optional<Ipv4Bytes> tail = ParseIpv4(text.substr(groupStart));
      if (!tail || filled + 4 > out.size()) return std::nullopt;
      std::copy(tail->begin(), tail->end(), out.begin() + static_cast<std::ptrdiff_t>(filled));
      filled += 4;
      break;
    }
    if (digits == 0 || digits > 4 || filled + 2 > out.size()) return std::nullopt;
    out[filled++] = static_cast<std::uint8_t>(value >> 8);
    out[filled++] = static_cast<std::uint8_t>(value & 0xff);
    if (pos == text.size()) break;
    if (text[pos] != ':' || pos + 1 == text.size()) return std::nullopt;  // a stray character or a trailing ":"
    ++pos;
    if (text[pos] == ':') {
      if (gap) return std::nullopt;  // a second "::"
      gap = filled;
      ++pos;
    }
  }
  if (gap) {
    // "::" stands for at least one group of zeros.
    if (filled == out.size()) return std::nullopt;
    const auto moved = static_cast<std::ptrdiff_t>(filled - *gap);
    std::copy_backward(out.begin() + static_cast<std::ptrdiff_t>(*gap),
                       out.begin() + static_cast<std::ptrdiff_t>(filled), out.end());
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(*gap), out.end() - moved, 0);
  } else if (filled != out.size()) {
    return std::nullopt;
  }
  return out;
}

}  // namespace dtu::net
