// SPDX-License-Identifier: MIT
// What the system says about the user's language.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dtu::platform {

class LocaleFacts {
 public:
  virtual ~LocaleFacts() = default;

  // The Windows language identifier of the user's language: zh_TW 0x0404,
  // en_US 0x0409, zh_CN 0x0804, ...; 0 when unknown.
  virtual std::uint16_t userDefaultLangId() = 0;
  // ISO 639 language ("zh") and ISO 3166 country ("CN") of the user's
  // locale; both empty when there is none (C, POSIX).
  virtual std::string isoLanguage() = 0;
  virtual std::string isoCountry() = 0;
  // The environment variable LANG, nullopt when it is unset or empty.
  virtual std::optional<std::string> langVariable() = 0;
};

}  // namespace dtu::platform
