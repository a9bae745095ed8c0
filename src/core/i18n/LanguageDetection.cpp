// SPDX-License-Identifier: MIT
#include "core/i18n/LanguageDetection.h"

#include "core/i18n/Languages.h"
#include "platform/LocaleFacts.h"

namespace dtu {

int DetectLanguageId(platform::LocaleFacts& locale) {
  const std::uint16_t system = locale.userDefaultLangId();
  for (const Language& row : kLanguages)
    if (row.windowsLangId != 0 && row.windowsLangId == system) return row.id;
  return 0;
}

}  // namespace dtu
