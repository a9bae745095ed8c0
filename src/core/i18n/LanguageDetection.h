// SPDX-License-Identifier: MIT
// The system's language as the language menu's "Automatic" sees it.
#pragma once

namespace dtu {

namespace platform {
class LocaleFacts;
}

// The LanguageId (1 English, 2 Simplified, 3 Traditional Chinese) of the
// system's language; 0 when it is none of the three.
int DetectLanguageId(platform::LocaleFacts& locale);

}  // namespace dtu
