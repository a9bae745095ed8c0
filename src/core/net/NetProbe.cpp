// SPDX-License-Identifier: MIT
#include "core/net/NetProbe.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

#include "core/AppError.h"
#include "core/config/AnsiCodec.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"

namespace dtu::net {

namespace {

void PumpEvents(const ProbeServices& services) {
  if (services.pumpEvents) services.pumpEvents();
}

// Names reach the platform as C strings, so anything after a NUL is not part
// of the name.
std::string CName(const std::string& s) { return std::string(s.c_str()); }

std::vector<std::string> SystemResolve(const std::string& name) {
  if (name.empty()) return {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address instead of one per socket type
  addrinfo* list = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || list == nullptr) return {};
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> guard(list, &::freeaddrinfo);

  std::vector<std::string> out;
  for (const addrinfo* p = list; p != nullptr; p = p->ai_next) {
    if (p->ai_family != AF_INET || p->ai_addr == nullptr) continue;
    const auto* sin = reinterpret_cast<const sockaddr_in*>(p->ai_addr);
    char text[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text) == nullptr) continue;
    if (std::find(out.begin(), out.end(), text) == out.end()) out.emplace_back(text);
  }
  return out;
}

std::vector<std::string> Lookup(const std::string& name, const ProbeServices& services) {
  const std::string cname = CName(name);
  return services.resolve ? services.resolve(cname) : SystemResolve(cname);
}

std::optional<std::string> SystemHostName() {
  char buffer[64] = {};
  if (::gethostname(buffer, sizeof buffer) != 0) return std::nullopt;
  buffer[sizeof buffer - 1] = '\0';
  return std::string(buffer);
}

std::vector<InterfaceAddress> SystemInterfaceAddresses() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0 || list == nullptr) return {};
  std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> guard(list, &::freeifaddrs);
  std::vector<InterfaceAddress> out;
  for (const ifaddrs* p = list; p != nullptr; p = p->ifa_next) {
    if (p->ifa_addr == nullptr || p->ifa_addr->sa_family != AF_INET) continue;
    const auto* sin = reinterpret_cast<const sockaddr_in*>(p->ifa_addr);
    char text[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text) == nullptr) continue;
    out.push_back({text, (p->ifa_flags & IFF_UP) != 0, (p->ifa_flags & IFF_LOOPBACK) != 0});
  }
  return out;
}

// The host name's own answer is only a fallback: Debian maps it to 127.0.1.1.
std::string FirstInterfaceAddress(const ProbeServices& services) {
  const std::vector<InterfaceAddress> list = services.interfaces ? services.interfaces() : SystemInterfaceAddresses();
  for (const InterfaceAddress& entry : list)
    if (entry.up && !entry.loopback && !entry.address.empty()) return entry.address;
  return {};
}

class SocketCloser {
 public:
  explicit SocketCloser(int fd) : fd_(fd) {}
  ~SocketCloser() {
    if (fd_ >= 0) ::close(fd_);
  }
  SocketCloser(const SocketCloser&) = delete;
  SocketCloser& operator=(const SocketCloser&) = delete;

 private:
  int fd_;
};

// Waits for a non-blocking connect to finish; false on refusal or time-out.
bool FinishConnect(int fd, std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    left = std::clamp<long long>(left, 0, 0x7fffffff);
    pollfd p{fd, POLLOUT, 0};
    const int n = ::poll(&p, 1, static_cast<int>(left));
    if (n > 0) break;
    if (n == 0) return false;
    if (errno != EINTR) return false;
  }
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return false;
  return error == 0;
}

// ---- HTTP ----------------------------------------------------------------

void EnsureCurlInitialised() {
  // curl_easy_init would do this itself, but not thread-safely.
  static const bool done = [] {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    return true;
  }();
  (void)done;
}

struct BodySink {
  std::string body;
  bool overflow = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<BodySink*>(user);
  const size_t length = size * count;
  if (length > kMaxWanBodyBytes - sink->body.size()) {
    sink->overflow = true;
    return 0;  // makes curl abort the transfer
  }
  sink->body.append(data, length);
  return length;
}

// The charset parameter of a Content-Type value, "" when there is none.
std::string CharsetOf(const char* contentType) {
  if (contentType == nullptr) return {};
  std::string value(contentType);
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
struct HopGuard {
  const AddressClassifier& isInternal;
  bool firstHopSeen = false;
  bool internalAllowed = false;
  bool refused = false;
};

int CheckHop(void* user, char* connectedAddress, char* /*localAddress*/, int /*remotePort*/, int /*localPort*/) {
  auto* guard = static_cast<HopGuard*>(user);
  const bool internal = guard->isInternal ? guard->isInternal(connectedAddress) : IsInternalAddress(connectedAddress);
  if (!guard->firstHopSeen) {
    guard->firstHopSeen = true;
    guard->internalAllowed = internal;
  } else if (internal && !guard->internalAllowed) {
    guard->refused = true;
    return CURL_PREREQFUNC_ABORT;
  }
  return CURL_PREREQFUNC_OK;
}

Ipv4Range RangeOf(in_addr v4) {
  const uint32_t a = ntohl(v4.s_addr);
  const auto in = [a](uint32_t net, int bits) { return (a >> (32 - bits)) == (net >> (32 - bits)); };
  if (in(0x7f000000, 8)) return Ipv4Range::Loopback;
  if (in(0x0a000000, 8) || in(0xac100000, 12) || in(0xc0a80000, 16)) return Ipv4Range::Private;
  if (in(0xa9fe0000, 16)) return Ipv4Range::LinkLocal;
  if (in(0x64400000, 10)) return Ipv4Range::SharedNat;
  if (in(0x00000000, 8)) return Ipv4Range::ThisNetwork;
  return Ipv4Range::Public;
}

}  // namespace

std::string GetLocalHostAddress(const ProbeServices& services) {
  try {
    if (std::string address = FirstInterfaceAddress(services); !address.empty()) return address;
  } catch (...) {
    // An interface list that cannot be read leaves the host name.
  }
  try {
    std::optional<std::string> name = services.hostName ? services.hostName() : SystemHostName();
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

std::string GetWanAddress(const AnsiCodec& codec, const ProbeServices& services) {
  const std::string& url = services.echoUrl;
  EnsureCurlInitialised();
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) throw AppError(Translate("Could not create an HTTP request."));

  BodySink sink;
  char errorText[CURL_ERROR_SIZE] = {};
  CURL* h = curl.get();
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");  // the cap below applies to the decoded body
  curl_easy_setopt(h, CURLOPT_USERAGENT, "Mozilla/5.0 (compatible; dtusms)");
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(services.timeouts.httpConnect.count()));
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(services.timeouts.httpTotal.count()));
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxWanBodyBytes));
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
  // Called once the connection of each request (each hop) stands, with the
  // address actually connected, so a name that resolves anew is caught too.
  HopGuard guard{services.isInternal};
  curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &CheckHop);
  curl_easy_setopt(h, CURLOPT_PREREQDATA, &guard);

  const CURLcode rc = curl_easy_perform(h);
  if (guard.refused)
    throw AppError(FormatMessage(Translate("The public address could not be read from %s."), {Q(url)}));
  if (sink.overflow || rc == CURLE_FILESIZE_EXCEEDED)
    throw AppError(FormatMessage(Translate("The page at %s is larger than 1 MiB."), {Q(url)}));
  if (rc != CURLE_OK) {
    const std::string reason = errorText[0] != '\0' ? errorText : curl_easy_strerror(rc);
    throw AppError(FormatMessage(Translate("Could not fetch %s: %s"), {Q(url), Q(reason)}));
  }

  char* contentType = nullptr;
  curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &contentType);
  const QString text = DecodeBody(sink.body, CharsetOf(contentType), codec.codePage());
  return CutWanAddress(codec.fromUnicode(text));
}

bool TestTcpConnect(const std::string& address, int port, const ProbeServices& services) {
  std::this_thread::yield();
  try {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    SocketCloser closer(fd);
    PumpEvents(services);
    if (fd < 0) return false;
    // The port field goes up to 99999; wrapping it to 16 bits would test a
    // different port than the one reported.
    if (port < 1 || port > 65535) return false;
    if (!IsDottedIpv4(address)) return false;

    sockaddr_in target;
    std::memset(&target, 0, sizeof target);
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, address.c_str(), &target.sin_addr);

    if (::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) return true;
    if (errno != EINPROGRESS) return false;
    return FinishConnect(fd, services.timeouts.tcpConnect);
  } catch (...) {
    return false;
  }
}

bool IsInternalAddress(const std::string& address) {
  in6_addr v6{};
  in_addr v4{};
  if (::inet_pton(AF_INET6, address.c_str(), &v6) == 1) {
    if (IN6_IS_ADDR_V4MAPPED(&v6) || IN6_IS_ADDR_V4COMPAT(&v6)) {
      std::memcpy(&v4, v6.s6_addr + 12, sizeof v4);
    } else {
      const unsigned char first = v6.s6_addr[0];
      return IN6_IS_ADDR_LOOPBACK(&v6) || IN6_IS_ADDR_UNSPECIFIED(&v6) || IN6_IS_ADDR_LINKLOCAL(&v6) ||
             IN6_IS_ADDR_SITELOCAL(&v6) || (first & 0xfe) == 0xfc;  // fc00::/7, unique local
    }
  } else if (::inet_pton(AF_INET, address.c_str(), &v4) != 1) {
    return true;  // not an address at all: nothing to trust
  }
  return RangeOf(v4) != Ipv4Range::Public;
}

std::optional<Ipv4Range> ClassifyIpv4(std::string_view dotted) {
  if (!IsDottedIpv4(dotted)) return std::nullopt;
  in_addr v4{};
  ::inet_pton(AF_INET, std::string(dotted).c_str(), &v4);
  return RangeOf(v4);
}

bool IsDottedIpv4(std::string_view text) {
  // glibc's parser takes exactly four decimal octets, without leading zeros.
  const std::string copy(text);
  in_addr parsed{};
  return copy.find('\0') == std::string::npos && ::inet_pton(AF_INET, copy.c_str(), &parsed) == 1;
}

}  // namespace dtu::net
