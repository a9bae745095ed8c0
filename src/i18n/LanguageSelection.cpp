// SPDX-License-Identifier: MIT
#include "i18n/LanguageSelection.h"

#include <QWidget>

#include "MyDataType.h"
#include "i18n/Localizer.h"
#include "i18n/WindowTranslator.h"

namespace dtu {

void ApplyLanguage(QWidget* window, std::int32_t languageId) {
  SetCurrentLanguage(QString::fromLatin1(LanguageCodes[static_cast<std::size_t>(SafeLanguageId(languageId))]));
  if (window) RetranslateComponent(window);
}

std::uint16_t GetUserDefaultLangID() {
  // Windows language identifiers: primary language in the low 10 bits,
  // sub-language (the country variant) above.
  static const struct {
    const char* language;
    const char* country;
    std::uint16_t id;
  } kTable[] = {
      {"ar", "SA", 0x0401}, {"zh", "TW", 0x0404}, {"de", "DE", 0x0407}, {"en", "US", 0x0409}, {"es", "ES", 0x0C0A},
      {"fr", "FR", 0x040C}, {"it", "IT", 0x0410}, {"ja", "JP", 0x0411}, {"ko", "KR", 0x0412}, {"pt", "BR", 0x0416},
      {"ru", "RU", 0x0419}, {"th", "TH", 0x041E}, {"vi", "VN", 0x042A}, {"kk", "KZ", 0x043F}, {"zh", "CN", 0x0804},
      {"de", "CH", 0x0807}, {"en", "GB", 0x0809}, {"pt", "PT", 0x0816}, {"zh", "HK", 0x0C04}, {"de", "AT", 0x0C07},
      {"en", "AU", 0x0C09}, {"fr", "CA", 0x0C0C}, {"zh", "SG", 0x1004}, {"en", "CA", 0x1009}, {"zh", "MO", 0x1404},
      {"en", "NZ", 0x1409}, {"en", "IE", 0x1809}, {"en", "IN", 0x4009},
  };
  const LocaleParts parts = UserLocaleParts();
  for (const auto& row : kTable) {
    if (parts.language.compare(QLatin1String(row.language), Qt::CaseInsensitive) == 0 &&
        parts.country.compare(QLatin1String(row.country), Qt::CaseInsensitive) == 0)
      return row.id;
  }
  return 0;
}

}  // namespace dtu
