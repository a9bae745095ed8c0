// SPDX-License-Identifier: MIT
// UTF-16 (the W functions' text) to and from 8-bit text in a code page.
#pragma once

#include <string>
#include <string_view>

namespace dtu::platform {

// Bytes in code page `codePage` (CP_ACP, CP_UTF8, ...) to UTF-16; an
// invalid sequence becomes what the system makes of it.
std::wstring ToWide(std::string_view bytes, unsigned codePage);
// UTF-16 to code page `codePage`, with the system's best fit and default
// character for what it cannot hold.
std::string FromWide(std::wstring_view text, unsigned codePage);

// The system's text for an error number (GetLastError), in the ANSI code
// page as strerror gives it in the locale's; "Error <n>" when it has none.
std::string ErrorText(unsigned long error);

}  // namespace dtu::platform
