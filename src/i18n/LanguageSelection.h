// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

class QWidget;

namespace dtu {

// Makes LanguageCodes[languageId] the Localizer's language and re-translates
// the window. Ids outside 0..3 are applied as 0.
void ApplyLanguage(QWidget* window, std::int32_t languageId);

// Windows language identifier of the locale environment (LC_ALL,
// LC_MESSAGES, LANG): zh_TW 0x0404, en_US 0x0409, zh_CN 0x0804, ...; 0 if unknown.
std::uint16_t GetUserDefaultLangID();

}  // namespace dtu
