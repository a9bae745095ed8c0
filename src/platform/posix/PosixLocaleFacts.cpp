// SPDX-License-Identifier: MIT
#include "platform/posix/PosixLocaleFacts.h"

#include <strings.h>

#include "platform/posix/PosixLocaleName.h"

namespace dtu::platform {

namespace {

// The locale that names the user's language.
LocaleName MessagesLocale() { return ParseLocaleName(FirstLocaleVariable({"LC_ALL", "LC_MESSAGES", "LANG"})); }

}  // namespace

std::uint16_t PosixLocaleFacts::userDefaultLangId() {
  // Primary language in the low 10 bits, sub-language (the country) above.
  static const struct {
    const char* language;
    const char* country;
    std::uint16_t id;
  } kTable[] = {
      {"zh", "TW", 0x0404}, {"en", "US", 0x0409}, {"zh", "CN", 0x0804}, {"en", "GB", 0x0809},
      {"zh", "HK", 0x0C04}, {"zh", "SG", 0x1004}, {"de", "DE", 0x0407},
  };
  const LocaleName locale = MessagesLocale();
  for (const auto& row : kTable) {
    if (strcasecmp(locale.language.c_str(), row.language) == 0 && strcasecmp(locale.country.c_str(), row.country) == 0)
      return row.id;
  }
  return 0;
}

std::string PosixLocaleFacts::isoLanguage() { return MessagesLocale().language; }

std::string PosixLocaleFacts::isoCountry() { return MessagesLocale().country; }

std::optional<std::string> PosixLocaleFacts::langVariable() {
  std::string value = FirstLocaleVariable({"LANG"});
  return value.empty() ? std::nullopt : std::optional(std::move(value));
}

}  // namespace dtu::platform
