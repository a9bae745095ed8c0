// SPDX-License-Identifier: MIT
#include "platform/posix/PosixNetwork.h"

#include <arpa/inet.h>
#include <curl/curl.h>  // types and constants only: the library is opened on first use
#include <dlfcn.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>

namespace dtu::platform {

namespace {

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

// ---- libcurl, opened on the first request ---------------------------------
// It pulls in two dozen libraries, which every start would pay for; a system
// without it still runs everything but the web request.

struct CurlApi {
  CURLcode (*globalInit)(long);
  CURL* (*easyInit)();
  void (*easyCleanup)(CURL*);
  CURLcode (*easyPerform)(CURL*);
  CURLcode (*easySetopt)(CURL*, CURLoption, ...);
  CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...);
  const char* (*easyStrerror)(CURLcode);
};

constexpr const char* kCurlLibrary = "libcurl.so.4";

template <typename F>
bool Resolve(void* library, const char* name, F& target) {
  target = reinterpret_cast<F>(::dlsym(library, name));
  return target != nullptr;
}

struct LoadedCurl {
  const CurlApi* api = nullptr;
  std::string failure;  // why api is null
};

const LoadedCurl& Curl() {
  // A function-local static: the first caller loads, concurrent ones wait.
  static const LoadedCurl loaded = [] {
    LoadedCurl result;
    void* library = ::dlopen(kCurlLibrary, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      const char* why = ::dlerror();
      result.failure = std::string(kCurlLibrary) + " could not be loaded" + (why ? std::string(": ") + why : "");
      return result;
    }
    static CurlApi api{};
    const bool ok = Resolve(library, "curl_global_init", api.globalInit) &&
                    Resolve(library, "curl_easy_init", api.easyInit) &&
                    Resolve(library, "curl_easy_cleanup", api.easyCleanup) &&
                    Resolve(library, "curl_easy_perform", api.easyPerform) &&
                    Resolve(library, "curl_easy_setopt", api.easySetopt) &&
                    Resolve(library, "curl_easy_getinfo", api.easyGetinfo) &&
                    Resolve(library, "curl_easy_strerror", api.easyStrerror);
    if (!ok) {
      result.failure = std::string(kCurlLibrary) + " lacks the functions this program calls";
      return result;
    }
    // curl_easy_init would do this itself, but not thread-safely.
    if (const CURLcode rc = api.globalInit(CURL_GLOBAL_DEFAULT); rc != CURLE_OK) {
      result.failure = api.easyStrerror(rc);
      return result;
    }
    result.api = &api;
    return result;
  }();
  return loaded;
}

struct BodySink {
  std::string body;
  std::size_t limit = 0;
  bool overflow = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<BodySink*>(user);
  const size_t length = size * count;
  if (sink->body.size() > sink->limit || length > sink->limit - sink->body.size()) {
    sink->overflow = true;
    return 0;  // makes curl abort the transfer
  }
  sink->body.append(data, length);
  return length;
}

bool IsRedirect(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

struct HopCheck {
  const HttpRequest& request;
  bool refused = false;
};

// curl's socket for each connection it is about to make, with the address it
// will go to: a refused one gets no socket, so no packet reaches it.
curl_socket_t OpenCheckedSocket(void* user, curlsocktype /*purpose*/, curl_sockaddr* address) {
  auto* check = static_cast<HopCheck*>(user);
  char text[INET6_ADDRSTRLEN] = {};
  const void* bytes = nullptr;
  if (address->family == AF_INET)
    bytes = &reinterpret_cast<const sockaddr_in*>(&address->addr)->sin_addr;
  else if (address->family == AF_INET6)
    bytes = &reinterpret_cast<const sockaddr_in6*>(&address->addr)->sin6_addr;
  // Anything but IPv4 and IPv6 (a Unix socket) is no address to check: refused.
  if (check->request.allowConnection &&
      (!bytes || !::inet_ntop(address->family, bytes, text, sizeof text) || !check->request.allowConnection(text))) {
    check->refused = true;
    return CURL_SOCKET_BAD;
  }
  return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

}  // namespace

std::vector<InterfaceAddress> PosixNetwork::interfaceAddresses() {
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

std::optional<std::string> PosixNetwork::hostName() {
  char buffer[64] = {};
  if (::gethostname(buffer, sizeof buffer) != 0) return std::nullopt;
  buffer[sizeof buffer - 1] = '\0';
  return std::string(buffer);
}

std::vector<std::string> PosixNetwork::resolveIpv4(const std::string& name) {
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

bool PosixNetwork::connectTcp(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout) {
  sockaddr_in target;
  std::memset(&target, 0, sizeof target);
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1) return false;

  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  SocketCloser closer(fd);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) return true;
  if (errno != EINPROGRESS) return false;
  return FinishConnect(fd, timeout);
}

HttpResponse PosixNetwork::httpGet(const HttpRequest& request) {
  HttpResponse response;
  const LoadedCurl& curl = Curl();
  if (curl.api == nullptr) {
    response.error = curl.failure;
    return response;
  }
  const CurlApi& api = *curl.api;
  std::unique_ptr<CURL, void (*)(CURL*)> handle(api.easyInit(), api.easyCleanup);
  if (!handle) {
    response.error = "libcurl could not create a request";
    return response;
  }

  BodySink sink{{}, request.maxBodyBytes};
  HopCheck hops{request};
  char errorText[CURL_ERROR_SIZE] = {};
  CURL* h = handle.get();
  const auto set = [&](CURLoption option, auto value) { api.easySetopt(h, option, value); };
  set(CURLOPT_HTTPGET, 1L);
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  // Redirects are followed below, so that each one can be refused before its connection.
  set(CURLOPT_FOLLOWLOCATION, 0L);
  set(CURLOPT_ACCEPT_ENCODING, "");  // the cap below applies to the decoded body
  set(CURLOPT_USERAGENT, "Mozilla/5.0 (compatible; dtusms)");
  set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBodyBytes));
  set(CURLOPT_WRITEFUNCTION, &WriteBody);
  set(CURLOPT_WRITEDATA, static_cast<void*>(&sink));
  set(CURLOPT_ERRORBUFFER, static_cast<char*>(errorText));
  // Called before each connection is made (each hop, unless curl reuses a
  // connection it checked), with the address it goes to, so a name that
  // resolves anew is caught too.
  set(CURLOPT_OPENSOCKETFUNCTION, &OpenCheckedSocket);
  set(CURLOPT_OPENSOCKETDATA, static_cast<void*>(&hops));

  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + request.totalTimeout;
  std::string url = request.url;
  for (int redirects = 0;; ++redirects) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<long long>(left, 1)));
    set(CURLOPT_CONNECTTIMEOUT_MS,
        static_cast<long>(std::clamp<long long>(request.connectTimeout.count(), 1, std::max<long long>(left, 1))));
    sink.body.clear();
    errorText[0] = '\0';
    const CURLcode rc = api.easyPerform(h);
    long status = 0;
    if (rc == CURLE_OK && api.easyGetinfo(h, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK)
      response.status = static_cast<int>(status);
    char* location = nullptr;
    // As curl would follow: a redirect status with a Location; any other answer is the answer itself.
    if (rc == CURLE_OK && !sink.overflow && IsRedirect(status) &&
        api.easyGetinfo(h, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location != nullptr) {
      if (redirects >= request.maxRedirects) {
        response.error = "too many redirects (limit " + std::to_string(std::max(request.maxRedirects, 0)) + ")";
        return response;
      }
      std::string next = location;
      if (request.allowRedirect && !request.allowRedirect(url, next)) {
        response.outcome = HttpResponse::Outcome::Redirected;
        response.location = std::move(next);
        return response;
      }
      url = std::move(next);
      continue;
    }
    if (hops.refused) {
      response.outcome = HttpResponse::Outcome::Refused;
    } else if (sink.overflow || rc == CURLE_FILESIZE_EXCEEDED) {
      response.outcome = HttpResponse::Outcome::TooLarge;
    } else if (rc != CURLE_OK) {
      response.error = errorText[0] != '\0' ? errorText : api.easyStrerror(rc);
      long requestBytes = 0;
      response.requestSent = api.easyGetinfo(h, CURLINFO_REQUEST_SIZE, &requestBytes) == CURLE_OK && requestBytes > 0;
    } else {
      response.outcome = HttpResponse::Outcome::Ok;
      response.body = std::move(sink.body);
      char* contentType = nullptr;
      if (api.easyGetinfo(h, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK && contentType != nullptr)
        response.contentType = contentType;
    }
    return response;
  }
}

}  // namespace dtu::platform
