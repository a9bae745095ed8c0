// SPDX-License-Identifier: MIT
#include "i18n/LanguageSelection.h"

#include <QWidget>

#include "MyDataType.h"
#include "i18n/Localizer.h"
#include "i18n/QtTranslations.h"
#include "i18n/WindowTranslator.h"

namespace dtu {

void ApplyLanguage(QWidget* window, std::int32_t languageId) {
  SetCurrentLanguage(QString::fromLatin1(LanguageCodes[static_cast<std::size_t>(SafeLanguageId(languageId))]));
  ApplyQtTranslations(CurrentLanguageCode());
  if (window) RetranslateComponent(window);
}

}  // namespace dtu
