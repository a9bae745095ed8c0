// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "core/i18n/LanguageDetection.h"

class QWidget;

namespace dtu {

// Makes LanguageCodes[languageId] the Localizer's language, loads Qt's own
// catalog for it and re-translates the window. Ids outside 0..3 are applied
// as 0.
void ApplyLanguage(QWidget* window, std::int32_t languageId);

}  // namespace dtu
