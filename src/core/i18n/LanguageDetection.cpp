// SPDX-License-Identifier: MIT
#include "core/i18n/LanguageDetection.h"

#include "platform/LocaleFacts.h"

namespace dtu {

int DetectLanguageId(platform::LocaleFacts& locale) {
  switch (locale.userDefaultLangId()) {
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
