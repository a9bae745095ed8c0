// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace dtu::net {

// Dotted IPv4 text of the first address of this machine's own name; empty
// when the name cannot be looked up.
std::string GetLocalHostAddress();

}  // namespace dtu::net
