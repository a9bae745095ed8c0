// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string_view>

#include "platform/CodePage.h"

namespace dtu::platform {

// The system's code pages (WideCharToMultiByte and back), with the user's
// charset the ANSI code page.
class WinCodePage : public CodePage {
 public:
  std::string userCharset() override;
  bool supports(const std::string& charset) override;
  // With the system's best fit ("Ａ" -> "A" under CP1252).
  std::string encode(std::u32string_view text, const std::string& charset) override;
  std::u32string decode(std::string_view bytes, const std::string& charset) override;

  // The code page of a charset name, any case: "UTF-8" 65001, "CP936",
  // "GBK" and "GB2312" 936, "windows-1252", "ISO-8859-2" 28592, ...;
  // nullopt for a name it does not know.
  static std::optional<unsigned> CodePageOf(std::string_view charset);
};

}  // namespace dtu::platform
