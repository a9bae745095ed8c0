// SPDX-License-Identifier: MIT
#pragma once

#include "platform/LocaleFacts.h"

namespace dtu::platform {

// The user's default locale as the system keeps it.
class WinLocaleFacts : public LocaleFacts {
 public:
  std::uint16_t userDefaultLangId() override;
  std::string isoLanguage() override;
  std::string isoCountry() override;
  std::optional<std::string> langVariable() override;
};

}  // namespace dtu::platform
