// SPDX-License-Identifier: MIT
// PLACEHOLDER: to be written; every call aborts until then.
#include "platform/posix/PosixCodePage.h"

#include <cstdlib>

namespace dtu::platform {

std::string PosixCodePage::userCharset() { std::abort(); }
bool PosixCodePage::supports(const std::string& charset) { std::abort(); }
std::string PosixCodePage::encode(std::u32string_view text, const std::string& charset) { std::abort(); }
std::u32string PosixCodePage::decode(std::string_view bytes, const std::string& charset) { std::abort(); }

}  // namespace dtu::platform
