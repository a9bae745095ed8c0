// SPDX-License-Identifier: MIT
#include "ui/LanguageSelection.h"

#include <QWidget>

#include "core/i18n/Languages.h"
#include "core/i18n/Localizer.h"
#include "ui/QtTranslations.h"
#include "ui/WindowTranslator.h"

namespace dtu {

void ApplyLanguage(QWidget* window, std::int32_t languageId) {
  SetCurrentLanguage(QString::fromLatin1(kLanguages[static_cast<std::size_t>(SafeLanguageId(languageId))].code));
  ApplyQtTranslations(CurrentLanguageCode());
  if (window) RetranslateComponent(window);
}

}  // namespace dtu
