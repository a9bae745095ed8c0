// SPDX-License-Identifier: MIT
// The system's language as the language menu's "Automatic" sees it.
#pragma once

#include <cstdint>

namespace dtu {

// Windows language identifier of the locale environment (LC_ALL,
// LC_MESSAGES, LANG): zh_TW 0x0404, en_US 0x0409, zh_CN 0x0804, ...; 0 if unknown.
std::uint16_t GetUserDefaultLangID();

// The LanguageId (1 English, 2 Simplified, 3 Traditional Chinese) of the
// system's language; 0 when it is none of the three.
int DetectLanguageId();

}  // namespace dtu
