// SPDX-License-Identifier: MIT
// PLACEHOLDER: to be written; every call aborts until then.
#include "platform/posix/PosixNetwork.h"

#include <cstdlib>

namespace dtu::platform {

std::vector<InterfaceAddress> PosixNetwork::interfaceAddresses() { std::abort(); }
std::optional<std::string> PosixNetwork::hostName() { std::abort(); }
std::vector<std::string> PosixNetwork::resolveIpv4(const std::string& name) { std::abort(); }
bool PosixNetwork::connectTcp(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout) { std::abort(); }
HttpResponse PosixNetwork::httpGet(const HttpRequest& request) { std::abort(); }

}  // namespace dtu::platform
