// SPDX-License-Identifier: MIT
#include "platform/windows/WinNetwork.h"

#include "platform/windows/WinHeaders.h"
#include "platform/windows/WinText.h"
// winhttp.h uses the types windows.h declares.
#include <winhttp.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace dtu::platform {

namespace {

using Clock = std::chrono::steady_clock;

class SocketCloser {
 public:
  explicit SocketCloser(SOCKET s) : s_(s) {}
  ~SocketCloser() { ::closesocket(s_); }
  SocketCloser(const SocketCloser&) = delete;
  SocketCloser& operator=(const SocketCloser&) = delete;

 private:
  SOCKET s_;
};

struct HandleCloser {
  void operator()(HINTERNET h) const { ::WinHttpCloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 0x7fffffff));
}

// Where winhttp.dll carries no message text (wine), the common failures still read.
const char* KnownReason(DWORD code) {
  switch (code) {
    case ERROR_WINHTTP_TIMEOUT:
      return "timed out";
    case ERROR_WINHTTP_INVALID_URL:
      return "invalid URL";
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
      return "unrecognized scheme";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return "name not resolved";
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return "cannot connect";
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return "connection reset or aborted";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      return "invalid server response";
    case ERROR_WINHTTP_SECURE_FAILURE:
      return "secure connection failed";
    default:
      return "";
  }
}

std::string WinHttpReason(DWORD code) {
  std::string text;
  wchar_t* message = nullptr;
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
                           FORMAT_MESSAGE_IGNORE_INSERTS,
                       ::GetModuleHandleW(L"winhttp.dll"), code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  if (message != nullptr) {
    text = FromWide(std::wstring_view(message, length), CP_UTF8);
    ::LocalFree(message);
  }
  while (!text.empty() && (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == '.'))
    text.pop_back();
  if (text.empty()) text = KnownReason(code);
  return "WinHTTP error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}

std::string LastReason() { return WinHttpReason(::GetLastError()); }

// A header of the response as UTF-8; nullopt when absent.
std::optional<std::string> Header(HINTERNET request, DWORD which) {
  DWORD size = 0;
  ::WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                        WINHTTP_NO_HEADER_INDEX);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  if (!::WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &size,
                             WINHTTP_NO_HEADER_INDEX))
    return std::nullopt;
  return FromWide(std::wstring_view(value.data(), size / sizeof(wchar_t)), CP_UTF8);
}

// An address as IPv4 or IPv6 text; a mapped IPv4 address reads as IPv4, as
// curl reports it.
std::optional<std::string> AddressText(const sockaddr* address) {
  char text[INET6_ADDRSTRLEN] = {};
  const char* done = nullptr;
  if (address->sa_family == AF_INET) {
    done = ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
  } else if (address->sa_family == AF_INET6) {
    const in6_addr& v6 = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
    done = IN6_IS_ADDR_V4MAPPED(&v6) ? ::inet_ntop(AF_INET, &v6.s6_addr[12], text, sizeof text)
                                     : ::inet_ntop(AF_INET6, &v6, text, sizeof text);
  }
  if (done == nullptr) return std::nullopt;
  return std::string(text);
}

// The addresses of a name in the resolver's order, without duplicates.
std::vector<std::string> AddressesOf(const std::string& name, int family) {
  addrinfo hints{};
  hints.ai_family = family;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address instead of one per socket type
  addrinfo* list = nullptr;
  if (name.empty() || ::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || list == nullptr) return {};
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> guard(list, &::freeaddrinfo);
  std::vector<std::string> out;
  for (const addrinfo* p = list; p != nullptr; p = p->ai_next) {
    if (p->ai_addr == nullptr || (family != AF_UNSPEC && p->ai_family != family)) continue;
    const std::optional<std::string> text = AddressText(p->ai_addr);
    if (text && std::find(out.begin(), out.end(), *text) == out.end()) out.push_back(*text);
  }
  return out;
}

// The peer of the request's connection.
std::optional<std::string> ConnectedAddress(HINTERNET request) {
  WINHTTP_CONNECTION_INFO info{};
  info.cbSize = sizeof info;
  DWORD size = sizeof info;
  if (!::WinHttpQueryOption(request, WINHTTP_OPTION_CONNECTION_INFO, &info, &size)) return std::nullopt;
  SOCKADDR_STORAGE peer;
  std::memcpy(&peer, &info.RemoteAddress, sizeof peer);
  return AddressText(reinterpret_cast<const sockaddr*>(&peer));
}

// The lower-case scheme of an absolute URL, "" for a relative reference.
std::string SchemeOf(const std::string& url) {
  const size_t colon = url.find(':');
  if (colon == std::string::npos || colon == 0) return {};
  std::string scheme = url.substr(0, colon);
  for (size_t i = 0; i < scheme.size(); ++i) {
    const auto c = static_cast<unsigned char>(scheme[i]);
    if (!std::isalpha(c) && (i == 0 || !(std::isdigit(c) || c == '+' || c == '-' || c == '.'))) return {};
    scheme[i] = static_cast<char>(std::tolower(c));
  }
  return scheme;
}

// "." and ".." segments of an absolute path, applied as a browser does.
std::string RemoveDotSegments(const std::string& path) {
  std::vector<std::string> kept;
  bool trailingSlash = false;
  for (size_t begin = 1;;) {
    const size_t end = std::min(path.find('/', begin), path.size());
    const std::string segment = path.substr(begin, end - begin);
    trailingSlash = segment == "." || segment == "..";
    if (segment == "..") {
      if (!kept.empty()) kept.pop_back();
    } else if (segment != ".") {
      kept.push_back(segment);
    }
    if (end == path.size()) break;
    begin = end + 1;
  }
  std::string out;
  for (const std::string& segment : kept) out += "/" + segment;
  if (trailingSlash || out.empty()) out += "/";
  return out;
}

// A Location value made absolute against the http or https URL that sent it.
std::string ResolveReference(const std::string& base, std::string reference) {
  reference.erase(std::min(reference.find('#'), reference.size()));
  if (!SchemeOf(reference).empty()) return reference;
  const std::string scheme = SchemeOf(base);
  if (reference.starts_with("//")) return scheme + ":" + reference;
  const size_t authorityEnd = std::min(base.find_first_of("/?#", scheme.size() + 3), base.size());
  const size_t pathEnd = std::min(base.find_first_of("?#", authorityEnd), base.size());
  const std::string root = base.substr(0, authorityEnd);
  std::string path = base.substr(authorityEnd, pathEnd - authorityEnd);
  if (path.empty()) path = "/";
  if (reference.empty()) return root + base.substr(authorityEnd, std::min(base.find('#'), base.size()) - authorityEnd);
  if (reference[0] == '?') return root + path + reference;
  const size_t queryAt = std::min(reference.find('?'), reference.size());
  std::string referencePath = reference.substr(0, queryAt);
  if (referencePath[0] != '/') referencePath = path.substr(0, path.rfind('/') + 1) + referencePath;
  return root + RemoveDotSegments(referencePath) + reference.substr(queryAt);
}

bool IsRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::wstring Part(const wchar_t* text, DWORD length) {
  return text == nullptr ? std::wstring() : std::wstring(text, length);
}

// Receiving waits at most until the deadline, whatever WinHTTP's own defaults.
bool LimitReceiving(HINTERNET request, Clock::time_point deadline) {
  DWORD left = static_cast<DWORD>(std::max(MillisecondsLeft(deadline), 1));
  return ::WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &left, sizeof left) &&
         ::WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &left, sizeof left);
}

}  // namespace

WinNetwork::WinNetwork() {
  WSADATA data;
  started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinNetwork::~WinNetwork() {
  if (started_) ::WSACleanup();
}

// Empty by choice: on Windows the machine's own address has always been the
// resolver's first answer for its host name, and the caller falls back to
// hostName() and resolveIpv4() when this list holds no usable address.
std::vector<InterfaceAddress> WinNetwork::interfaceAddresses() { return {}; }

std::optional<std::string> WinNetwork::hostName() {
  char buffer[256] = {};
  if (!started_ || ::gethostname(buffer, sizeof buffer) != 0) return std::nullopt;
  buffer[sizeof buffer - 1] = '\0';
  return std::string(buffer);
}

std::vector<std::string> WinNetwork::resolveIpv4(const std::string& name) {
  return started_ ? AddressesOf(name, AF_INET) : std::vector<std::string>();
}

bool WinNetwork::connectTcp(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout) {
  if (!started_) return false;
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = ::htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1) return false;

  const auto deadline = Clock::now() + timeout;
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  SocketCloser closer(s);
  u_long nonBlocking = 1;
  if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) return false;
  if (::connect(s, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) return true;
  if (::WSAGetLastError() != WSAEWOULDBLOCK) return false;
  // WSAPoll is not interrupted by signals, so one wait covers the whole time-out.
  WSAPOLLFD p{};
  p.fd = s;
  p.events = POLLOUT;
  if (::WSAPoll(&p, 1, MillisecondsLeft(deadline)) <= 0) return false;
  if ((p.revents & (POLLERR | POLLHUP)) != 0 || (p.revents & POLLOUT) == 0) return false;
  int error = 0;
  int length = sizeof error;
  if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) return false;
  return error == 0;
}

HttpResponse WinNetwork::httpGet(const HttpRequest& request) {
  HttpResponse response;
  const auto fail = [&response](std::string reason) {
    response.outcome = HttpResponse::Outcome::Failed;
    response.error = std::move(reason);
    return response;
  };
  const auto end = [&response](HttpResponse::Outcome outcome) {
    response.outcome = outcome;
    return response;
  };
  if (!started_) return fail("Windows Sockets could not be started");
  const auto deadline = Clock::now() + request.totalTimeout;
  const std::string timedOut = "timed out after " + std::to_string(request.totalTimeout.count()) + " ms";
  // Past the deadline, the failing call's own code (a socket's, under wine) says less.
  const auto failed = [&] {
    const std::string reason = LastReason();
    return fail(MillisecondsLeft(deadline) == 0 ? timedOut : reason);
  };

  // No proxy: the hop check has to see the server actually reached, not a proxy.
  Handle session(::WinHttpOpen(L"Mozilla/5.0 (compatible; dtusms)", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return fail(LastReason());
  // So that the cap counts decoded bytes, as on Linux. Systems before 8.1 lack
  // the option; they send no Accept-Encoding and so get the body plain.
  DWORD decompression = WINHTTP_DECOMPRESSION_FLAG_ALL;
  ::WinHttpSetOption(session.get(), WINHTTP_OPTION_DECOMPRESSION, &decompression, sizeof decompression);

  std::string url = request.url;
  for (int redirects = 0;; ++redirects) {
    const std::string scheme = SchemeOf(url);
    if (scheme != "http" && scheme != "https") return fail("not an http or https URL: " + url);
    const std::wstring wideUrl = ToWide(url, CP_UTF8);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(wideUrl.c_str(), static_cast<DWORD>(wideUrl.size()), 0, &parts)) return fail(LastReason());
    const std::wstring host = Part(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring object =
        Part(parts.lpszUrlPath, parts.dwUrlPathLength) + Part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    object.erase(std::min(object.find(L'#'), object.size()));
    if (object.empty()) object = L"/";

    // WinHTTP takes no socket or address from us and connects to whichever
    // address of the host it likes: a host any of whose addresses is refused
    // is refused before any connection. WinHTTP looks the name up once more;
    // an answer that changes in between (DNS rebinding) is still stopped by
    // the connected-address check below, after the connection but before the
    // request is sent.
    if (request.allowConnection) {
      std::string name = FromWide(host, CP_UTF8);
      if (name.size() > 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
      const std::vector<std::string> addresses = AddressesOf(name, AF_UNSPEC);
      if (!addresses.empty() && !std::all_of(addresses.begin(), addresses.end(), request.allowConnection))
        return end(HttpResponse::Outcome::Refused);
    }
    const int left = MillisecondsLeft(deadline);
    if (left == 0) return fail(timedOut);
    const int connect = static_cast<int>(std::clamp<long long>(request.connectTimeout.count(), 1, left));
    Handle connection(::WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) return fail(LastReason());
    Handle hop(::WinHttpOpenRequest(connection.get(), L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                    WINHTTP_DEFAULT_ACCEPT_TYPES,
                                    parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!hop) return fail(LastReason());
    // WinHTTP's own redirects are off: followed here, so that every hop passes the connection check.
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    if (!::WinHttpSetOption(hop.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects) ||
        !::WinHttpSetTimeouts(hop.get(), connect, connect, left, left) || !LimitReceiving(hop.get(), deadline) ||
        !::WinHttpSendRequest(hop.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
      return failed();
    // The connection stands once the request is sent; nothing of the answer is read before the check.
    if (request.allowConnection) {
      const std::optional<std::string> peer = ConnectedAddress(hop.get());
      if (!peer) return fail("the connected address could not be read: " + LastReason());
      if (!request.allowConnection(*peer)) return end(HttpResponse::Outcome::Refused);
    }
    if (!::WinHttpReceiveResponse(hop.get(), nullptr)) {
      HttpResponse lost = failed();
      lost.requestSent = true;
      return lost;
    }

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::WinHttpQueryHeaders(hop.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
      return fail(LastReason());
    // Like curl: a redirect without a Location, or any other status, is the answer itself.
    if (const auto location = IsRedirect(status) ? Header(hop.get(), WINHTTP_QUERY_LOCATION) : std::nullopt) {
      if (redirects >= request.maxRedirects)
        return fail("too many redirects (limit " + std::to_string(std::max(request.maxRedirects, 0)) + ")");
      std::string next = ResolveReference(url, *location);
      if (request.allowRedirect && !request.allowRedirect(url, next)) {
        response.location = std::move(next);
        return end(HttpResponse::Outcome::Redirected);
      }
      url = std::move(next);
      continue;
    }

    std::string body;
    char buffer[16384];
    // Reading only what is there keeps each call short: a read for more can
    // wait for it, past the deadline, on a server that sends byte by byte.
    for (;;) {
      if (MillisecondsLeft(deadline) == 0) return fail(timedOut);
      DWORD ready = 0;
      DWORD got = 0;
      if (!LimitReceiving(hop.get(), deadline) || !::WinHttpQueryDataAvailable(hop.get(), &ready)) return failed();
      if (ready == 0) break;
      if (!::WinHttpReadData(hop.get(), buffer, std::min<DWORD>(ready, sizeof buffer), &got)) return failed();
      if (got == 0) break;
      if (got > request.maxBodyBytes - body.size()) return end(HttpResponse::Outcome::TooLarge);
      body.append(buffer, got);
    }
    response.body = std::move(body);
    response.contentType = Header(hop.get(), WINHTTP_QUERY_CONTENT_TYPE).value_or("");
    response.status = static_cast<int>(status);
    return end(HttpResponse::Outcome::Ok);
  }
}

}  // namespace dtu::platform
