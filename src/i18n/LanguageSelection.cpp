// SPDX-License-Identifier: MIT
#include "i18n/LanguageSelection.h"

namespace dtu {

void ApplyLanguage(QWidget*, std::int32_t) {}
std::uint16_t GetUserDefaultLangID() { return 0; }

}  // namespace dtu
