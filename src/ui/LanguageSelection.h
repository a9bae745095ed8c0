// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "core/i18n/LanguageDetection.h"

class QWidget;

namespace dtu {

// Makes the language of `languageId` the Localizer's, loads Qt's own
// catalog for it and re-translates the window. An unknown id is applied as 0.
void ApplyLanguage(QWidget* window, std::int32_t languageId);

}  // namespace dtu
