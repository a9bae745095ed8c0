// SPDX-License-Identifier: MIT
#include "core/i18n/Languages.h"

#include <algorithm>
#include <cctype>

namespace dtu {

const Language* LanguageForCode(std::string_view code) {
  const auto same = [code](const Language& row) {
    const std::string_view own(row.code);
    return own.size() == code.size() && std::equal(own.begin(), own.end(), code.begin(), [](char a, char b) {
             return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
  };
  const auto* row = std::find_if(kLanguages.begin(), kLanguages.end(), same);
  return row == kLanguages.end() ? nullptr : row;
}

}  // namespace dtu
