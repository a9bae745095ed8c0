// SPDX-License-Identifier: MIT
// PLACEHOLDER: to be written; every call aborts until then.
#include "platform/posix/PosixLocaleFacts.h"

#include <cstdlib>

namespace dtu::platform {

std::uint16_t PosixLocaleFacts::userDefaultLangId() { std::abort(); }
std::string PosixLocaleFacts::isoLanguage() { std::abort(); }
std::string PosixLocaleFacts::isoCountry() { std::abort(); }
std::optional<std::string> PosixLocaleFacts::langVariable() { std::abort(); }

}  // namespace dtu::platform
