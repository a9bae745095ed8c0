// SPDX-License-Identifier: MIT
#include "net/NetProbe.h"

namespace dtu::net {

std::string GetLocalHostAddress() { return {}; }

}  // namespace dtu::net
