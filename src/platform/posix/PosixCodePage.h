// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

#include "platform/CodePage.h"

namespace dtu::platform {

// iconv, with the user's charset taken from the locale variables.
class PosixCodePage : public CodePage {
 public:
  std::string userCharset() override;
  bool supports(const std::string& charset) override;
  std::string encode(std::u32string_view text, const std::string& charset) override;
  std::u32string decode(std::string_view bytes, const std::string& charset) override;

  // The charset Windows would use for a POSIX locale name:
  // "zh_CN.GB18030" -> GB18030; "zh_TW" -> BIG5; "", "C", "POSIX" -> UTF-8.
  static std::string charsetForLocale(std::string_view localeName);
};

}  // namespace dtu::platform
