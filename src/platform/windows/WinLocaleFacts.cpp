// SPDX-License-Identifier: MIT
#include "platform/windows/WinLocaleFacts.h"

#include "platform/windows/WinHeaders.h"
#include "platform/windows/WinText.h"

namespace dtu::platform {

namespace {

std::string LocaleInfo(LCTYPE type) {
  char buffer[16] = {};  // ISO names are at most 9 characters with the end
  const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer);
  return n > 1 ? std::string(buffer, static_cast<std::size_t>(n - 1)) : std::string();
}

}  // namespace

std::uint16_t WinLocaleFacts::userDefaultLangId() { return GetUserDefaultLangID(); }

std::string WinLocaleFacts::isoLanguage() { return LocaleInfo(LOCALE_SISO639LANGNAME); }

std::string WinLocaleFacts::isoCountry() { return LocaleInfo(LOCALE_SISO3166CTRYNAME); }

std::optional<std::string> WinLocaleFacts::langVariable() {
  std::wstring value(64, L'\0');
  for (;;) {
    const DWORD n = GetEnvironmentVariableW(L"LANG", value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) return std::nullopt;  // unset or empty
    if (n < value.size()) {
      value.resize(n);
      return FromWide(value, CP_ACP);
    }
    value.resize(n);  // the size it needs, with the end
  }
}

}  // namespace dtu::platform
