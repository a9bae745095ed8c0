// SPDX-License-Identifier: MIT
// The one reader of POSIX locale names ("language_COUNTRY.codeset@modifier"),
// shared by the 8-bit charset, the default language and language detection.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace dtu::platform {

struct LocaleName {
  std::string language;    // "zh"; empty for C and POSIX
  std::string country;     // "CN"; empty when the name has none
  std::string codeset;     // "GB18030"; empty when the name has none
  std::string beforeDot;   // everything before the first "." ("de_DE@euro" stays whole)
  bool isCLocale = false;  // empty, "C" or "POSIX", with or without a codeset
};

LocaleName ParseLocaleName(std::string_view name);

// The value of the first variable that is set and not empty; "" when none is.
std::string FirstLocaleVariable(std::initializer_list<const char*> variables);

}  // namespace dtu::platform
