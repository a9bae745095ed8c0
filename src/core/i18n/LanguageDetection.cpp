// SPDX-License-Identifier: MIT
#include "core/i18n/LanguageDetection.h"

#include <cstring>

#include "core/i18n/LocaleName.h"

namespace dtu {

std::uint16_t GetUserDefaultLangID() {
  // Primary language in the low 10 bits, sub-language (the country) above.
  static const struct {
    const char* language;
    const char* country;
    std::uint16_t id;
  } kTable[] = {
      {"zh", "TW", 0x0404}, {"en", "US", 0x0409}, {"zh", "CN", 0x0804}, {"en", "GB", 0x0809},
      {"zh", "HK", 0x0C04}, {"zh", "SG", 0x1004}, {"de", "DE", 0x0407},
  };
  const LocaleName locale = ParseLocaleName(FirstLocaleVariable({"LC_ALL", "LC_MESSAGES", "LANG"}));
  for (const auto& row : kTable) {
    if (strcasecmp(locale.language.c_str(), row.language) == 0 && strcasecmp(locale.country.c_str(), row.country) == 0)
      return row.id;
  }
  return 0;
}

int DetectLanguageId() {
  switch (GetUserDefaultLangID()) {
    case 0x0404:
      return 3;
    case 0x0409:
      return 1;
    case 0x0804:
      return 2;
    default:
      return 0;
  }
}

}  // namespace dtu
